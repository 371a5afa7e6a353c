// win32qt: the Qt side of our Win32 layer, for the build (compiled resources
// built into a program) and for tools and tests that drive a dialog. The
// program itself only uses win32_ui.h.
#pragma once

#include <cstddef>
#include <functional>

#include "win32qt/dialog_units.h"
#include "win32qt/win32_ui.h"

class QWidget;

namespace win32qt {

// Makes a .res file known to DialogBoxParamA; called by the code the build
// generates for each program from its resource scripts
// (cmake/embed_resources.cmake). res stays in place for the program's life.
bool register_resources(const unsigned char* res, std::size_t size);

// The widget behind a window handle, nullptr for an unknown handle.
QWidget* widget_of(HWND window);

// The dialog's base units, from its font.
BaseUnits dialog_base_units(HWND dialog);

// Called inside the modal loop once the dialog is on the screen; tests and
// the screenshot tool drive the dialog from there. An empty function removes it.
void set_dialog_shown_hook(std::function<void(HWND dialog)> hook);

// Takes the place of the message box: gets what MessageBoxA was given and
// returns the button id as if the user had pressed it.
void set_message_box_hook(std::function<int(HWND owner, const char* text, const char* caption, UINT type)> hook);

// Gets each report of something the program asked of the layer that it does
// not do (a message, a style, a control class), in every build; without a
// hook only debug builds write them on stderr. An empty function removes it.
void set_unsupported_hook(std::function<void(const char* report)> hook);

} // namespace win32qt
