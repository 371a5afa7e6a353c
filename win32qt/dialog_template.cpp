// The binary resource layouts, little-endian: every read is checked against
// the end of the bytes, so a damaged resource gives an error, never a read
// past its end.
#include "win32qt/dialog_template.h"

namespace win32qt {
namespace {

constexpr std::uint32_t ds_setfont = 0x0040;

// Reads forward through bytes; the first read past the end sets failed and
// every later read gives zeros.
struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
    bool failed = false;

    bool has(std::size_t n) {
        if (failed || bytes.size() - at < n) failed = true;
        return !failed;
    }
    std::uint16_t word() {
        if (!has(2)) return 0;
        const std::uint16_t v = std::uint16_t(bytes[at] | bytes[at + 1] << 8);
        at += 2;
        return v;
    }
    std::uint32_t dword() {
        const std::uint32_t low = word();
        return low | std::uint32_t(word()) << 16;
    }
    int coordinate() { return std::int16_t(word()); }
    void skip(std::size_t n) {
        if (has(n)) at += n;
    }
    // To the next multiple of four from the start of bytes.
    void align() { skip((4 - at % 4) % 4); }

    // A NUL-terminated UTF-16 text, as UTF-8.
    std::string text() {
        std::string out;
        for (;;) {
            std::uint32_t c = word();
            if (failed || c == 0) return out;
            if (c >= 0xD800 && c < 0xDC00) {
                const std::uint32_t low = word();
                if (low < 0xDC00 || low >= 0xE000) {
                    failed = true;
                    return out;
                }
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            } else if (c >= 0xDC00 && c < 0xE000) {
                failed = true;
                return out;
            }
            append_utf8(out, c);
        }
    }

    // 0xFFFF and an ordinal, or a text; in a template a lone 0 (the empty
    // text) stands for "no menu", "no class" or "no text".
    NameOrNumber name_or_number() {
        NameOrNumber v;
        if (has(2) && bytes[at] == 0xFF && bytes[at + 1] == 0xFF) {
            skip(2);
            v.number = word();
        } else {
            v.text = text();
        }
        return v;
    }

    static void append_utf8(std::string& out, std::uint32_t c) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18);
            out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
};

// The predefined classes that a template names by atom.
std::string class_of(const NameOrNumber& c) {
    if (c.number < 0) return c.text;
    static const char* const atoms[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    if (c.number >= 0x80 && c.number <= 0x85) return atoms[c.number - 0x80];
    return "#" + std::to_string(c.number);
}

// The extended layout has a help id, the extended style and the style; the
// other the style and the extended style.
template <class Template>
void read_styles(Reader& r, bool extended, Template& t) {
    if (extended) {
        r.dword();  // help id
        t.ex_style = r.dword();
        t.style = r.dword();
    } else {
        t.style = r.dword();
        t.ex_style = r.dword();
    }
}

template <class Template>
void read_rect(Reader& r, Template& t) {
    t.x = r.coordinate();
    t.y = r.coordinate();
    t.cx = r.coordinate();
    t.cy = r.coordinate();
}

std::string text_of(const NameOrNumber& t) { return t.number < 0 ? t.text : "#" + std::to_string(t.number); }

} // namespace

bool read_resource_file(std::span<const std::uint8_t> bytes, std::vector<ResourceEntry>& entries,
                        std::string& error) {
    entries.clear();
    Reader r{bytes};
    while (r.at < bytes.size()) {
        const std::size_t start = r.at;
        const std::uint32_t data_size = r.dword();
        const std::uint32_t header_size = r.dword();
        ResourceEntry e;
        e.type = r.name_or_number();
        e.name = r.name_or_number();
        if (r.failed || header_size < r.at - start || bytes.size() - start < header_size ||
            bytes.size() - start - header_size < data_size) {
            error = "resource entry at byte " + std::to_string(start) + " runs past the end";
            return false;
        }
        e.data = bytes.subspan(start + header_size, data_size);
        entries.push_back(e);
        r.at = start + header_size;
        r.skip(data_size);
        r.align();
        if (r.failed) r.at = bytes.size();  // the last entry needs no padding
    }
    return true;
}

bool read_dialog_template(std::span<const std::uint8_t> bytes, DialogTemplate& out, std::string& error) {
    out = DialogTemplate{};
    Reader r{bytes};
    // Version 1 and the signature 0xFFFF open the extended layout.
    const bool extended = bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
    if (extended) r.skip(4);
    read_styles(r, extended, out);
    const int count = r.word();
    read_rect(r, out);
    out.menu = r.name_or_number();
    out.class_name = r.name_or_number();
    out.caption = r.text();
    if (out.style & ds_setfont) {
        out.font_points = r.word();
        if (extended) r.skip(4);  // weight, italic, character set
        out.font_face = r.text();
    }
    for (int i = 0; i < count && !r.failed; ++i) {
        r.align();
        ControlTemplate c;
        read_styles(r, extended, c);
        read_rect(r, c);
        // A DIALOG's ids are words (-1 reads as 65535), a DIALOGEX's double words.
        c.id = extended ? int(r.dword()) : r.word();
        c.class_name = class_of(r.name_or_number());
        c.text = text_of(r.name_or_number());
        r.skip(r.word());  // creation data
        out.controls.push_back(std::move(c));
    }
    if (r.failed) {
        error = "dialog template ends early or holds a broken text, at byte " + std::to_string(r.at);
        return false;
    }
    return true;
}

} // namespace win32qt
