// win32qt: the binary resources built into the program (a .res file each,
// compiled by windres from a resource script). Internal to the layer.
#pragma once

#include "win32qt/dialog_template.h"
#include "win32qt/win32_ui.h"

namespace win32qt {

// Reads the dialog template named by resource (a number made by
// MAKEINTRESOURCEA, or a name; names compare without case) into out; false
// when the program has none or it cannot be read (said on stderr).
bool find_dialog_template(LPCSTR resource, DialogTemplate& out);

} // namespace win32qt
