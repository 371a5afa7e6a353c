// win32qt: the reader of the resource scripts built into the program, so
// the Linux layer makes its dialogs from the same .rc file Windows compiles.
// Reads dialog templates (DIALOG and DIALOGEX) and skips other resources.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win32qt {

struct ControlTemplate {
    std::string text;  // bytes as written
    int id = 0;
    std::string class_name;  // "BUTTON", "EDIT", "STATIC" or as written for CONTROL
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    int id = -1;            // numeric name, or -1 when named by text
    std::string name;       // text name when not numeric
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    int font_points = 0;    // 0: no FONT statement
    std::string font_face;
    std::vector<ControlTemplate> controls;
};

struct ResourceScript {
    std::vector<DialogTemplate> dialogs;
};

// Returns the text of an included file ("resource.h"), or nullptr when the
// file is not known; system headers (<...>) are never looked up.
using IncludeLookup = std::function<const char*(const std::string& name)>;

// Reads script; on failure returns false and says where in error.
bool read_resource_script(const char* script, const IncludeLookup& lookup, ResourceScript& out,
                          std::string& error);

// The value of a style or id name that Windows headers define, for the names
// a dialog template uses; false when unknown.
bool system_constant(const std::string& name, std::int64_t& value);

} // namespace win32qt
