// The resource-script reader: the program's own script as the layer sees it,
// and the syntax a resource compiler accepts that the reader must follow.
#include <gtest/gtest.h>

#include <map>

#include "win32qt/resource_script.h"
#include "support/temp_dir.h"

using namespace win32qt;

namespace {

struct Files {
    std::map<std::string, std::string> texts;
    IncludeLookup lookup() const {
        return [this](const std::string& name) -> const char* {
            const auto found = texts.find(name);
            return found == texts.end() ? nullptr : found->second.c_str();
        };
    }
};

constexpr std::uint32_t child_visible = 0x50000000;
constexpr std::uint32_t tabstop = 0x00010000;
constexpr std::uint32_t group = 0x00020000;
constexpr std::uint32_t border = 0x00800000;

} // namespace

TEST(ResourceScript, ReadsTheMainDialogAsWindowsWould) {
    Files files;
    files.texts["resource.h"] = read_file(CLOCKR_SOURCE "/dialog/resource.h");
    const std::string rc = read_file(CLOCKR_SOURCE "/dialog/clockr.rc");
    ResourceScript script;
    std::string error;
    ASSERT_TRUE(read_resource_script(rc.c_str(), files.lookup(), script, error)) << error;
    ASSERT_EQ(script.dialogs.size(), 1u);
    const DialogTemplate& d = script.dialogs[0];
    EXPECT_EQ(d.id, 134);
    EXPECT_EQ(d.style, 0x80C800C0u);
    EXPECT_EQ(d.caption, "Korvo clockr");
    EXPECT_EQ(d.font_points, 8);
    EXPECT_EQ(d.font_face, "MS Sans Serif");
    EXPECT_EQ((std::vector<int>{d.x, d.y, d.cx, d.cy}), (std::vector<int>{0, 0, 331, 178}));

    struct Expected {
        int id;
        const char* class_name;
        const char* text;
        std::uint32_t style;
        int x, y, cx, cy;
    };
    const Expected expected[] = {
        {1095, "EDIT", "", child_visible | border | tabstop | 0x80, 13, 23, 99, 14},
        {-1, "STATIC", "path+filter:", child_visible | group, 11, 10, 39, 9},
        {1096, "SysListView32", "List2", child_visible | border | tabstop | 0x1, 115, 7, 213, 166},
        {1097, "BUTTON", "Refresh", child_visible | tabstop, 7, 161, 36, 13},
        {1098, "BUTTON", "all levs", child_visible | 0x9, 13, 48, 63, 12},
        {1100, "BUTTON", "internals", child_visible | 0x9, 13, 61, 54, 11},
        {1101, "BUTTON", "externals", child_visible | 0x9, 13, 72, 46, 12},
        {1102, "BUTTON", "internal", child_visible | 0x9, 13, 84, 46, 12},
        {1103, "BUTTON", "external", child_visible | 0x9, 13, 112, 46, 12},
        {1104, "EDIT", "", child_visible | border | tabstop | 0x80, 37, 99, 27, 12},
        {1105, "EDIT", "", child_visible | border | tabstop | 0x80, 37, 126, 72, 12},
        {1106, "BUTTON", "3 digits", child_visible | tabstop | 0x3, 13, 142, 67, 11},
        {1107, "BUTTON", "TXT output", child_visible | tabstop, 62, 161, 41, 13},
    };
    ASSERT_EQ(d.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ControlTemplate& c = d.controls[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.text);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.class_name, e.class_name);
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ(c.style, e.style) << std::hex << c.style;
        EXPECT_EQ((std::vector<int>{c.x, c.y, c.cx, c.cy}), (std::vector<int>{e.x, e.y, e.cx, e.cy}));
    }
}

TEST(ResourceScript, FollowsTheCompilersSyntax) {
    Files files;
    files.texts["ids.h"] =
        "#pragma once\n"
        "#define BASE 100\n"
        "#define OK_ID (BASE + 1) /* expression */\n"
        "#ifdef BASE\n#define TITLE_ID 6\n#else\n#define TITLE_ID 99\n#endif\n"
        "#if defined(NOWHERE) || 0\n#define STEP 99\n#elif !defined NOWHERE && defined BASE\n#define STEP 1\n#endif\n";
    const char* script =
        "#include <windows.h>\n"
        "#include \"ids.h\"\n"
        "LANGUAGE 9, 1\n"
        "1 ICON \"app.ico\"\n"
        "STRINGTABLE\nBEGIN\n  1 \"skipped\"\nEND\n"
        "// a comment with \"quotes\"\n"
        "200 DIALOGEX 10, 20, 300, 100, 0\n"
        "STYLE WS_POPUP | \\\n  WS_CAPTION\n"
        "CAPTION \"Say \"\"hi\"\"\\tnow\"\n"
        "FONT 9, \"Tahoma\", 400, 0, 1\n"
        "{\n"
        "  DEFPUSHBUTTON \"&OK\", OK_ID, 1, 2, 3, 4\n"
        "  LTEXT \"t\", TITLE_ID + STEP, 5, 6, 7, 8, NOT WS_GROUP | SS_RIGHT\n"
        "  CONTROL \"\", 0x10, BUTTON, BS_AUTOCHECKBOX | WS_TABSTOP, 1, 1, 1, 1, WS_EX_CLIENTEDGE\n"
        "  EDITTEXT -5 + 10, 0, 0, 10, 10, ES_NUMBER | NOT WS_BORDER\n"
        "}\n"
        "named DIALOG 0, 0, 10, 10\nBEGIN\nEND\n";
    ResourceScript out;
    std::string error;
    ASSERT_TRUE(read_resource_script(script, files.lookup(), out, error)) << error;
    ASSERT_EQ(out.dialogs.size(), 2u);
    const DialogTemplate& d = out.dialogs[0];
    EXPECT_EQ(d.id, 200);
    EXPECT_EQ(d.style, 0x80C00040u);  // CAPTION adds WS_CAPTION, FONT adds DS_SETFONT
    EXPECT_EQ(d.caption, "Say \"hi\"\tnow");
    EXPECT_EQ(d.font_face, "Tahoma");
    ASSERT_EQ(d.controls.size(), 4u);
    EXPECT_EQ(d.controls[0].id, 101);
    EXPECT_EQ(d.controls[0].style, child_visible | tabstop | 0x1);
    EXPECT_EQ(d.controls[0].text, "&OK");
    EXPECT_EQ(d.controls[1].id, 7);
    EXPECT_EQ(d.controls[1].style, child_visible | 0x2);
    EXPECT_EQ(d.controls[2].class_name, "BUTTON");
    EXPECT_EQ(d.controls[2].ex_style, 0x200u);
    EXPECT_EQ(d.controls[3].id, 5);
    EXPECT_EQ(d.controls[3].style, child_visible | tabstop | 0x2000);
    EXPECT_EQ(out.dialogs[1].id, -1);
    EXPECT_EQ(out.dialogs[1].name, "NAMED");
    EXPECT_EQ(out.dialogs[1].style, 0x80880000u);  // no STYLE: popup, border, system menu
}

TEST(ResourceScript, SaysWhereAScriptIsWrong) {
    const struct {
        const char* script;
        const char* error;
    } cases[] = {
        {"1 DIALOG 0, 0, 1, 1\nBEGIN\n  PUSHBUTTON \"a\", NO_SUCH_ID, 1, 1, 1, 1\nEND\n", "script:3: unknown name NO_SUCH_ID"},
        {"1 DIALOG 0, 0, 1, 1\nBEGIN\n  PUSHBUTTON \"a, 1, 1, 1, 1, 1\nEND\n", "script:3: unterminated string"},
        {"1 DIALOG 0, 0, 1, 1\nBEGIN\n  PUSHBUTTON \"a\", 1, 1, 1, 1, 1\n", "script:3: END expected"},
        {"1 DIALOG 0, 0, 1, 1\nBEGIN\n  LISTBOX 1, 1, 1, 1, 1\nEND\n", "script:3: unsupported control statement LISTBOX"},
        {"#include \"missing.h\"\n", "script:1: cannot find missing.h"},
        {"#ifdef X\n", "script:1: #if without #endif"},
        {"1 DIALOG 0, 0, 1 / 0, 1\nBEGIN\nEND\n", "script:1: division by zero"},
    };
    for (const auto& c : cases) {
        ResourceScript out;
        std::string error;
        EXPECT_FALSE(read_resource_script(c.script, nullptr, out, error)) << c.script;
        EXPECT_EQ(error, c.error) << c.script;
    }
}
