// win32qt: the resources built into the program. Internal to the layer.
#pragma once

#include "win32qt/resource_script.h"
#include "win32qt/win32_ui.h"

namespace win32qt {

// The dialog template named by resource (a number made by MAKEINTRESOURCEA,
// or a name), nullptr when the program has none.
const DialogTemplate* find_dialog_template(LPCSTR resource);

} // namespace win32qt
