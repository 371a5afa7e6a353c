// The reader of the binary resources that windres compiles from our resource
// scripts: the program's dialog as the layer sees it, both template layouts,
// and damaged bytes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "dialog/resource.h"
#include "win32qt/resources.h"

using namespace win32qt;

namespace {

constexpr std::uint32_t child_visible = 0x50000000;
constexpr std::uint32_t tabstop = 0x00010000;
constexpr std::uint32_t group = 0x00020000;
constexpr std::uint32_t border = 0x00800000;

std::vector<std::uint8_t> layer_test_res() {
    std::ifstream in(LAYER_TEST_RES, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The data of the dialog resource named name in res.
std::vector<std::uint8_t> dialog_bytes(const std::vector<std::uint8_t>& res, const NameOrNumber& name) {
    std::vector<ResourceEntry> entries;
    std::string error;
    EXPECT_TRUE(read_resource_file(res, entries, error)) << error;
    for (const ResourceEntry& e : entries) {
        if (e.type.number == rt_dialog && e.name == name) return {e.data.begin(), e.data.end()};
    }
    ADD_FAILURE() << "no dialog " << name.number << name.text;
    return {};
}

std::vector<int> rect(const auto& t) { return {t.x, t.y, t.cx, t.cy}; }

} // namespace

TEST(DialogTemplate, ReadsTheMainDialogAsWindowsWould) {
    DialogTemplate d;
    ASSERT_TRUE(find_dialog_template(MAKEINTRESOURCEA(IDD_MAIN), d));
    EXPECT_EQ(d.style, 0x80C800C0u);
    EXPECT_EQ(d.ex_style, 0u);
    EXPECT_EQ(d.caption, "Korvo clockr");
    EXPECT_EQ(d.font_points, 8);
    EXPECT_EQ(d.font_face, "MS Sans Serif");
    EXPECT_EQ(rect(d), (std::vector<int>{0, 0, 331, 178}));

    const struct {
        int id;
        const char* class_name;
        const char* text;
        std::uint32_t style;
        std::vector<int> rect;
    } expected[] = {
        {IDC_PATH_FILTER, "EDIT", "", child_visible | border | tabstop | 0x80, {13, 23, 99, 14}},
        {0xFFFF, "STATIC", "path+filter:", child_visible | group, {11, 10, 39, 9}},
        {IDC_LIST, "SYSLISTVIEW32", "List2", child_visible | border | tabstop | 0x1, {115, 7, 213, 166}},
        {IDC_REFRESH, "BUTTON", "Refresh", child_visible | tabstop, {7, 161, 36, 13}},
        {IDC_ALL_LEVS, "BUTTON", "all levs", child_visible | 0x9, {13, 48, 63, 12}},
        {IDC_INTERNALS, "BUTTON", "internals", child_visible | 0x9, {13, 61, 54, 11}},
        {IDC_EXTERNALS, "BUTTON", "externals", child_visible | 0x9, {13, 72, 46, 12}},
        {IDC_INTERNAL, "BUTTON", "internal", child_visible | 0x9, {13, 84, 46, 12}},
        {IDC_EXTERNAL, "BUTTON", "external", child_visible | 0x9, {13, 112, 46, 12}},
        {IDC_INTERNAL_NUMBER, "EDIT", "", child_visible | border | tabstop | 0x80, {37, 99, 27, 12}},
        {IDC_EXTERNAL_NAME, "EDIT", "", child_visible | border | tabstop | 0x80, {37, 126, 72, 12}},
        {IDC_THREE_DIGITS, "BUTTON", "3 digits", child_visible | tabstop | 0x3, {13, 142, 67, 11}},
        {IDC_TXT_OUTPUT, "BUTTON", "TXT output", child_visible | tabstop, {62, 161, 41, 13}},
    };
    ASSERT_EQ(d.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ControlTemplate& c = d.controls[i];
        const auto& e = expected[i];
        SCOPED_TRACE(e.text);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.class_name, e.class_name);
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ(c.style, e.style) << std::hex << c.style;
        EXPECT_EQ(c.ex_style, 0u);
        EXPECT_EQ(rect(c), e.rect);
    }
}

TEST(DialogTemplate, ReadsTheExtendedLayoutAndTextsBeyondAscii) {
    DialogTemplate d;
    ASSERT_TRUE(find_dialog_template(MAKEINTRESOURCEA(202), d));
    EXPECT_EQ(d.style, 0x80C00040u);
    EXPECT_EQ(d.ex_style, 0x80u);
    EXPECT_EQ(rect(d), (std::vector<int>{10, 20, 300, 100}));
    EXPECT_EQ(d.caption, "Caf\xc3\xa9 \xf0\x9f\x98\x80");  // a surrogate pair in UTF-16
    EXPECT_EQ(d.font_points, 9);
    EXPECT_EQ(d.font_face, "Tahoma");
    ASSERT_EQ(d.controls.size(), 3u);
    EXPECT_EQ(d.controls[0].id, 70000);  // ids are double words here
    EXPECT_EQ(d.controls[0].class_name, "BUTTON");
    EXPECT_EQ(d.controls[0].text, "&OK");
    EXPECT_EQ(d.controls[0].style, child_visible | tabstop | 0x1);
    EXPECT_EQ(d.controls[1].id, -1);
    EXPECT_EQ(d.controls[1].class_name, "BUTTON");
    EXPECT_EQ(d.controls[1].ex_style, 0x200u);
    EXPECT_EQ(d.controls[2].class_name, "STATIC");
    EXPECT_EQ(rect(d.controls[2]), (std::vector<int>{-5, 6, 7, 8}));
}

TEST(DialogTemplate, FindsDialogsByNumberAndByNameInAnyCase) {
    DialogTemplate d;
    EXPECT_TRUE(find_dialog_template("named", d));
    EXPECT_TRUE(find_dialog_template("NaMeD", d));
    EXPECT_TRUE(d.controls.empty());
    EXPECT_EQ(rect(d), (std::vector<int>{0, 0, 10, 10}));
    EXPECT_FALSE(find_dialog_template("other", d));
    EXPECT_FALSE(find_dialog_template(MAKEINTRESOURCEA(999), d));
}

// Every shortened copy, in a buffer of its own size so that a read past its
// end is a sanitizer report: an error, never a crash or a half template.
TEST(DialogTemplate, DamagedBytesGiveAnErrorNeverAReadPastTheEnd) {
    const std::vector<std::uint8_t> res = layer_test_res();
    ASSERT_FALSE(res.empty());
    for (const NameOrNumber& name : {NameOrNumber{200, ""}, NameOrNumber{202, ""}}) {
        const std::vector<std::uint8_t> full = dialog_bytes(res, name);
        DialogTemplate d;
        std::string error;
        ASSERT_TRUE(read_dialog_template(full, d, error)) << error;
        for (std::size_t n = 0; n < full.size(); ++n) {
            const std::vector<std::uint8_t> part(full.begin(), full.begin() + std::ptrdiff_t(n));
            EXPECT_FALSE(read_dialog_template(part, d, error)) << name.number << " cut at " << n;
        }
    }
    // A shortened file reads as an error or as its whole entries (a cut in
    // the last entry's padding loses nothing).
    std::vector<ResourceEntry> all;
    std::string error;
    ASSERT_TRUE(read_resource_file(res, all, error)) << error;
    for (std::size_t n = 0; n < res.size(); ++n) {
        const std::vector<std::uint8_t> part(res.begin(), res.begin() + std::ptrdiff_t(n));
        std::vector<ResourceEntry> entries;
        if (!read_resource_file(part, entries, error)) continue;
        ASSERT_LE(entries.size(), all.size()) << "cut at " << n;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_TRUE(entries[i].name == all[i].name && entries[i].data.size() == all[i].data.size())
                << "cut at " << n << ", entry " << i;
        }
    }

    // A lone low surrogate in the caption.
    std::vector<std::uint8_t> broken = dialog_bytes(res, {202, ""});
    const std::uint8_t e_acute[] = {0xE9, 0x00};
    const auto at = std::search(broken.begin(), broken.end(), std::begin(e_acute), std::end(e_acute));
    ASSERT_NE(at, broken.end());
    at[1] = 0xDC;
    DialogTemplate d;
    EXPECT_FALSE(read_dialog_template(broken, d, error));
    EXPECT_NE(error.find("broken text"), std::string::npos) << error;
}
