// win32qt: the reader of the binary resources that the build compiles from
// the program's resource scripts with windres, as on Windows: the entries of
// a .res file, and dialog templates in the DLGTEMPLATE and DLGTEMPLATEEX
// layouts that DialogBoxParam reads. Internal to the layer and its tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace win32qt {

// A resource's type or name, or a control's class or text in a template: a
// number (an ordinal), or a text.
struct NameOrNumber {
    int number = -1;   // -1: a text
    std::string text;  // UTF-8
    bool operator==(const NameOrNumber&) const = default;
};

struct ResourceEntry {
    NameOrNumber type;
    NameOrNumber name;
    std::span<const std::uint8_t> data;
};

constexpr int rt_dialog = 5;

// The entries of a .res file, in file order; false and why when the bytes
// are not one.
bool read_resource_file(std::span<const std::uint8_t> bytes, std::vector<ResourceEntry>& entries,
                        std::string& error);

struct ControlTemplate {
    std::string text;        // UTF-8; a number (an icon's) is kept as "#n"
    int id = 0;
    std::string class_name;  // "BUTTON", "EDIT", "STATIC", ... for the predefined classes
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    NameOrNumber menu;        // empty text: none
    NameOrNumber class_name;  // empty text: the dialog class
    std::string caption;      // UTF-8
    int font_points = 0;      // 0: no DS_SETFONT
    std::string font_face;    // UTF-8
    std::vector<ControlTemplate> controls;
};

// Reads a dialog template in either layout; false and why when the bytes
// are not one.
bool read_dialog_template(std::span<const std::uint8_t> bytes, DialogTemplate& out, std::string& error);

} // namespace win32qt
