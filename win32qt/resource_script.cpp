// The resource-script reader: a small preprocessor (#include of the
// project's own headers, #define, conditionals), a tokenizer and a parser of
// dialog templates. Names from <windows.h> come from system_constant.
#include "win32qt/resource_script.h"

#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <set>

namespace win32qt {

namespace {

struct Constant {
    const char* name;
    std::int64_t value;
};

constexpr Constant constants[] = {
    {"WS_OVERLAPPED", 0},
    {"WS_POPUP", 0x80000000},
    {"WS_CHILD", 0x40000000},
    {"WS_MINIMIZE", 0x20000000},
    {"WS_VISIBLE", 0x10000000},
    {"WS_DISABLED", 0x08000000},
    {"WS_CLIPSIBLINGS", 0x04000000},
    {"WS_CLIPCHILDREN", 0x02000000},
    {"WS_MAXIMIZE", 0x01000000},
    {"WS_CAPTION", 0x00C00000},
    {"WS_BORDER", 0x00800000},
    {"WS_DLGFRAME", 0x00400000},
    {"WS_VSCROLL", 0x00200000},
    {"WS_HSCROLL", 0x00100000},
    {"WS_SYSMENU", 0x00080000},
    {"WS_THICKFRAME", 0x00040000},
    {"WS_GROUP", 0x00020000},
    {"WS_TABSTOP", 0x00010000},
    {"WS_MINIMIZEBOX", 0x00020000},
    {"WS_MAXIMIZEBOX", 0x00010000},
    {"WS_EX_CLIENTEDGE", 0x00000200},
    {"WS_EX_STATICEDGE", 0x00020000},
    {"DS_ABSALIGN", 0x01},
    {"DS_SYSMODAL", 0x02},
    {"DS_3DLOOK", 0x04},
    {"DS_FIXEDSYS", 0x08},
    {"DS_NOFAILCREATE", 0x10},
    {"DS_LOCALEDIT", 0x20},
    {"DS_SETFONT", 0x40},
    {"DS_MODALFRAME", 0x80},
    {"DS_NOIDLEMSG", 0x100},
    {"DS_SETFOREGROUND", 0x200},
    {"DS_CONTROL", 0x400},
    {"DS_CENTER", 0x800},
    {"DS_CENTERMOUSE", 0x1000},
    {"DS_CONTEXTHELP", 0x2000},
    {"DS_SHELLFONT", 0x48},
    {"ES_LEFT", 0x0000},
    {"ES_CENTER", 0x0001},
    {"ES_RIGHT", 0x0002},
    {"ES_MULTILINE", 0x0004},
    {"ES_UPPERCASE", 0x0008},
    {"ES_LOWERCASE", 0x0010},
    {"ES_PASSWORD", 0x0020},
    {"ES_AUTOVSCROLL", 0x0040},
    {"ES_AUTOHSCROLL", 0x0080},
    {"ES_NOHIDESEL", 0x0100},
    {"ES_READONLY", 0x0800},
    {"ES_WANTRETURN", 0x1000},
    {"ES_NUMBER", 0x2000},
    {"SS_LEFT", 0x0000},
    {"SS_CENTER", 0x0001},
    {"SS_RIGHT", 0x0002},
    {"SS_LEFTNOWORDWRAP", 0x000C},
    {"SS_NOPREFIX", 0x0080},
    {"BS_PUSHBUTTON", 0x0000},
    {"BS_DEFPUSHBUTTON", 0x0001},
    {"BS_CHECKBOX", 0x0002},
    {"BS_AUTOCHECKBOX", 0x0003},
    {"BS_RADIOBUTTON", 0x0004},
    {"BS_3STATE", 0x0005},
    {"BS_AUTO3STATE", 0x0006},
    {"BS_GROUPBOX", 0x0007},
    {"BS_AUTORADIOBUTTON", 0x0009},
    {"BS_LEFTTEXT", 0x0020},
    {"LVS_ICON", 0x0000},
    {"LVS_REPORT", 0x0001},
    {"LVS_SMALLICON", 0x0002},
    {"LVS_LIST", 0x0003},
    {"LVS_SINGLESEL", 0x0004},
    {"LVS_SHOWSELALWAYS", 0x0008},
    {"LVS_SORTASCENDING", 0x0010},
    {"LVS_SORTDESCENDING", 0x0020},
    {"LVS_NOCOLUMNHEADER", 0x4000},
    {"LVS_NOSORTHEADER", 0x8000},
    {"IDOK", 1},
    {"IDCANCEL", 2},
};

constexpr std::uint32_t ws_child_visible = 0x50000000;
constexpr std::uint32_t ws_tabstop = 0x00010000;
constexpr std::uint32_t ws_group = 0x00020000;
constexpr std::uint32_t ws_border = 0x00800000;
constexpr std::uint32_t ws_caption = 0x00C00000;
constexpr std::uint32_t ws_popup = 0x80000000;
constexpr std::uint32_t ws_sysmenu = 0x00080000;
constexpr std::uint32_t ds_setfont = 0x40;

// --- preprocessing -------------------------------------------------------

// Removes comments, keeping line breaks and string literals.
std::string strip_comments(const char* text) {
    std::string out;
    bool in_string = false;
    for (const char* p = text; *p; ++p) {
        if (in_string) {
            out += *p;
            if (*p == '\\' && p[1] && p[1] != '\n') out += *++p;
            else if (*p == '"') in_string = false;
            else if (*p == '\n') in_string = false;  // unterminated: the tokenizer reports it
        } else if (p[0] == '/' && p[1] == '/') {
            while (p[1] && p[1] != '\n') ++p;
        } else if (p[0] == '/' && p[1] == '*') {
            p += 2;
            while (*p && !(p[0] == '*' && p[1] == '/')) {
                if (*p == '\n') out += '\n';
                ++p;
            }
            if (!*p) break;
            ++p;
            out += ' ';
        } else {
            if (*p == '"') in_string = true;
            out += *p;
        }
    }
    return out;
}

struct Line {
    std::string text;
    std::string file;
    int number;
};

enum class TokenKind { Name, Number, String, Punct, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;  // name, punctuation, or the string's bytes
    std::int64_t number = 0;
    const Line* line = nullptr;
};

bool is_name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Tokens of one line; false with error on a bad string or character.
bool tokenize(const Line& line, std::vector<Token>& out, std::string& error) {
    const std::string& s = line.text;
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        Token t;
        t.line = &line;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (is_name_start(c)) {
            std::size_t j = i;
            while (j < s.size() && is_name_char(s[j])) ++j;
            t.kind = TokenKind::Name;
            t.text = s.substr(i, j - i);
            i = j;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t j = i;
            int base = 10;
            if (c == '0' && j + 1 < s.size() && (s[j + 1] == 'x' || s[j + 1] == 'X')) {
                base = 16;
                j += 2;
            }
            std::uint64_t v = 0;
            bool any = base == 10;
            while (j < s.size() && std::isxdigit(static_cast<unsigned char>(s[j]))) {
                const char d = s[j];
                const int digit = std::isdigit(static_cast<unsigned char>(d))
                                      ? d - '0'
                                      : std::tolower(static_cast<unsigned char>(d)) - 'a' + 10;
                if (digit >= base) break;
                v = (v * static_cast<unsigned>(base) + static_cast<unsigned>(digit)) & 0xFFFFFFFFu;
                any = true;
                ++j;
            }
            while (j < s.size() && (s[j] == 'L' || s[j] == 'l' || s[j] == 'U' || s[j] == 'u')) ++j;
            if (!any || (j < s.size() && is_name_char(s[j]))) {
                error = "bad number";
                return false;
            }
            t.kind = TokenKind::Number;
            t.number = static_cast<std::int64_t>(v);
            t.text = s.substr(i, j - i);
            i = j;
        } else if (c == '"') {
            // "" inside a string is a quote; C escapes are understood too.
            std::size_t j = i + 1;
            for (;;) {
                if (j >= s.size()) {
                    error = "unterminated string";
                    return false;
                }
                if (s[j] == '"') {
                    if (j + 1 < s.size() && s[j + 1] == '"') {
                        t.text += '"';
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                if (s[j] == '\\' && j + 1 < s.size()) {
                    const char e = s[j + 1];
                    j += 2;
                    switch (e) {
                    case 'n': t.text += '\n'; break;
                    case 't': t.text += '\t'; break;
                    case 'r': t.text += '\r'; break;
                    case 'a': t.text += '\a'; break;
                    default: t.text += e; break;
                    }
                    continue;
                }
                t.text += s[j++];
            }
            t.kind = TokenKind::String;
            i = j;
        } else if (std::strchr(",|&+-*/~(){}!", c)) {
            t.kind = TokenKind::Punct;
            t.text = std::string(1, c);
            ++i;
        } else {
            error = std::string("unexpected character '") + c + "'";
            return false;
        }
        out.push_back(std::move(t));
    }
    return true;
}

// Evaluates integer expressions over tokens: unary - ~ ! +, binary * / + - & |,
// in 32 bits as the resource compiler does. NOT belongs to style lists only.
class Evaluator {
public:
    using Resolve = std::function<bool(const std::string& name, std::int64_t& value)>;

    Evaluator(const std::vector<Token>& tokens, std::size_t& pos, Resolve resolve, std::string& error)
        : tokens_(tokens), pos_(pos), resolve_(std::move(resolve)), error_(error) {}

    bool expression(std::int64_t& v) { return binary(0, v); }

private:
    const Token& peek() const {
        static const Token end;
        return pos_ < tokens_.size() ? tokens_[pos_] : end;
    }
    bool is_punct(const char* p) const { return peek().kind == TokenKind::Punct && peek().text == p; }

    static int precedence(const std::string& op) {
        if (op == "|") return 1;
        if (op == "&") return 2;
        if (op == "+" || op == "-") return 3;
        if (op == "*" || op == "/") return 4;
        return 0;
    }

    bool binary(int min_precedence, std::int64_t& v) {
        if (!unary(v)) return false;
        for (;;) {
            const Token& t = peek();
            const int p = t.kind == TokenKind::Punct ? precedence(t.text) : 0;
            if (p == 0 || p <= min_precedence) return true;
            const std::string op = t.text;
            ++pos_;
            std::int64_t rhs;
            if (!binary(p, rhs)) return false;
            if (op == "|") v |= rhs;
            else if (op == "&") v &= rhs;
            else if (op == "+") v += rhs;
            else if (op == "-") v -= rhs;
            else if (op == "*") v *= rhs;
            else if (rhs == 0) return fail("division by zero");
            else v /= rhs;
            v = static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        }
    }

    bool unary(std::int64_t& v) {
        const Token& t = peek();
        if (t.kind == TokenKind::Punct && (t.text == "-" || t.text == "~" || t.text == "!" || t.text == "+")) {
            const char op = t.text[0];
            ++pos_;
            if (!unary(v)) return false;
            v = op == '-' ? -v : op == '~' ? ~v : op == '!' ? !v : v;
            return true;
        }
        if (t.kind == TokenKind::Punct && t.text == "(") {
            ++pos_;
            if (!binary(0, v)) return false;
            if (!is_punct(")")) return fail("')' expected");
            ++pos_;
            return true;
        }
        if (t.kind == TokenKind::Number) {
            v = t.number;
            ++pos_;
            return true;
        }
        if (t.kind == TokenKind::Name) {
            if (!resolve_(t.text, v)) return fail("unknown name " + t.text);
            ++pos_;
            return true;
        }
        return fail("number expected");
    }

    bool fail(const std::string& message) {
        if (error_.empty()) error_ = message;
        return false;
    }

    const std::vector<Token>& tokens_;
    std::size_t& pos_;
    Resolve resolve_;
    std::string& error_;
};

class Reader {
public:
    Reader(const IncludeLookup& lookup, std::string& error) : lookup_(lookup), error_(error) {}

    bool preprocess(const char* text, const std::string& file, int depth) {
        if (depth > 8) return fail_at(file, 0, "includes nested too deeply");
        const std::string clean = strip_comments(text);
        std::vector<bool> active_stack;    // is the enclosing block active
        std::vector<bool> taken_stack;     // has a branch of this #if been taken
        bool active = true;
        std::size_t start = 0;
        int number = 0;
        while (start < clean.size()) {
            std::size_t end = clean.find('\n', start);
            if (end == std::string::npos) end = clean.size();
            std::string text_line = clean.substr(start, end - start);
            ++number;
            const int first_number = number;
            start = end + 1;
            while (!text_line.empty() && text_line.back() == '\\' && start < clean.size()) {
                text_line.pop_back();
                end = clean.find('\n', start);
                if (end == std::string::npos) end = clean.size();
                text_line += clean.substr(start, end - start);
                start = end + 1;
                ++number;
            }
            if (!text_line.empty() && text_line.back() == '\r') text_line.pop_back();
            std::size_t i = text_line.find_first_not_of(" \t");
            if (i == std::string::npos) continue;
            if (text_line[i] != '#') {
                if (active) lines_.push_back({text_line, file, first_number});
                continue;
            }
            ++i;
            while (i < text_line.size() && (text_line[i] == ' ' || text_line[i] == '\t')) ++i;
            std::size_t j = i;
            while (j < text_line.size() && is_name_char(text_line[j])) ++j;
            const std::string directive = text_line.substr(i, j - i);
            std::string rest = text_line.substr(j);
            const auto first = rest.find_first_not_of(" \t");
            rest = first == std::string::npos ? std::string() : rest.substr(first);
            while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();

            if (directive == "ifdef" || directive == "ifndef" || directive == "if") {
                active_stack.push_back(active);
                bool condition;
                if (directive == "if") {
                    if (active && !condition_value(rest, file, first_number, condition)) return false;
                    if (!active) condition = false;
                } else {
                    condition = defines_.count(first_name(rest)) > 0;
                    if (directive == "ifndef") condition = !condition;
                }
                taken_stack.push_back(condition);
                active = active && condition;
            } else if (directive == "elif" || directive == "else") {
                if (active_stack.empty()) return fail_at(file, first_number, "#" + directive + " without #if");
                bool condition = true;
                if (directive == "elif" && active_stack.back() && !taken_stack.back() &&
                    !condition_value(rest, file, first_number, condition))
                    return false;
                active = active_stack.back() && !taken_stack.back() && condition;
                if (active) taken_stack.back() = true;
            } else if (directive == "endif") {
                if (active_stack.empty()) return fail_at(file, first_number, "#endif without #if");
                active = active_stack.back();
                active_stack.pop_back();
                taken_stack.pop_back();
            } else if (!active) {
                continue;
            } else if (directive == "define") {
                const std::string name = first_name(rest);
                if (name.empty()) return fail_at(file, first_number, "#define without a name");
                std::string value = rest.substr(name.size());
                if (!value.empty() && value[0] == '(') {
                    return fail_at(file, first_number, "macros with parameters are not supported");
                }
                define_lines_.push_back({value, file, first_number});
                defines_[name] = &define_lines_.back();
            } else if (directive == "undef") {
                defines_.erase(first_name(rest));
            } else if (directive == "include") {
                if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
                    const std::string name = rest.substr(1, rest.size() - 2);
                    const char* included = lookup_ ? lookup_(name) : nullptr;
                    if (!included) return fail_at(file, first_number, "cannot find " + name);
                    if (!preprocess(included, name, depth + 1)) return false;
                }
                // <...>: the system's names are known to system_constant.
            } else if (directive == "error") {
                return fail_at(file, first_number, "#error " + rest);
            }
            // #pragma and anything else: nothing to do here.
        }
        if (!active_stack.empty()) return fail_at(file, number, "#if without #endif");
        return true;
    }

    bool tokenize_all() {
        for (const Line& line : lines_) {
            std::string error;
            if (!tokenize(line, tokens_, error)) return fail_at(line.file, line.number, error);
        }
        return true;
    }

    bool parse(ResourceScript& out) {
        while (pos_ < tokens_.size()) {
            const Token& name = tokens_[pos_];
            if (name.kind == TokenKind::Name && upper(name.text) == "LANGUAGE") {
                skip_line();
                continue;
            }
            if (pos_ + 1 >= tokens_.size()) return fail("resource type expected");
            const Token& type = tokens_[pos_ + 1];
            const std::string type_name = type.kind == TokenKind::Name ? upper(type.text) : "";
            if (type_name == "DIALOG" || type_name == "DIALOGEX") {
                DialogTemplate dialog;
                if (!dialog_name(name, dialog)) return false;
                pos_ += 2;
                if (!dialog_body(type_name == "DIALOGEX", dialog)) return false;
                out.dialogs.push_back(std::move(dialog));
            } else {
                skip_resource();
            }
        }
        return true;
    }

private:
    static std::string upper(std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

    static std::string first_name(const std::string& s) {
        std::size_t j = 0;
        while (j < s.size() && is_name_char(s[j])) ++j;
        return s.substr(0, j);
    }

    bool fail_at(const std::string& file, int line, const std::string& message) {
        if (error_.empty()) error_ = file + ":" + std::to_string(line) + ": " + message;
        return false;
    }

    bool fail(const std::string& message) {
        const Token* t = pos_ < tokens_.size() ? &tokens_[pos_] : tokens_.empty() ? nullptr : &tokens_.back();
        if (!t) return fail_at("script", 0, message);
        return fail_at(t->line->file, t->line->number, message);
    }

    bool resolve(const std::string& name, std::int64_t& value) {
        const auto found = defines_.find(name);
        if (found == defines_.end()) return system_constant(name, value);
        if (resolving_.count(name)) return false;
        std::vector<Token> tokens;
        std::string error;
        if (!tokenize(*found->second, tokens, error) || tokens.empty()) return false;
        resolving_.insert(name);
        std::size_t pos = 0;
        Evaluator evaluator(tokens, pos, [this](const std::string& n, std::int64_t& v) { return resolve(n, v); },
                            error);
        const bool ok = evaluator.expression(value) && pos == tokens.size();
        resolving_.erase(name);
        return ok;
    }

    // #if: defined NAME / defined(NAME) become 1 or 0, unknown names 0.
    bool condition_value(const std::string& text, const std::string& file, int number, bool& condition) {
        std::string expanded;
        std::size_t i = 0;
        while (i < text.size()) {
            if (text.compare(i, 7, "defined") == 0 && (i + 7 == text.size() || !is_name_char(text[i + 7]))) {
                i += 7;
                while (i < text.size() && (text[i] == ' ' || text[i] == '(')) ++i;
                const std::string name = first_name(text.substr(i));
                i += name.size();
                while (i < text.size() && (text[i] == ' ' || text[i] == ')')) ++i;
                expanded += defines_.count(name) ? " 1 " : " 0 ";
            } else {
                expanded += text[i++];
            }
        }
        // On the 0 and 1 that conditions are made of, || and && are | and &.
        for (const char* op : {"||", "&&"}) {
            for (std::size_t at = expanded.find(op); at != std::string::npos; at = expanded.find(op, at))
                expanded.erase(at, 1);
        }
        const Line line{expanded, file, number};
        std::vector<Token> tokens;
        std::string error;
        if (!tokenize(line, tokens, error)) return fail_at(file, number, error);
        std::size_t pos = 0;
        std::int64_t value = 0;
        Evaluator evaluator(
            tokens, pos,
            [this](const std::string& n, std::int64_t& v) {
                if (!resolve(n, v)) v = 0;
                return true;
            },
            error);
        if (!evaluator.expression(value) || pos != tokens.size()) return fail_at(file, number, "bad #if");
        condition = value != 0;
        return true;
    }

    const Token& peek() const {
        static const Token end;
        return pos_ < tokens_.size() ? tokens_[pos_] : end;
    }
    bool is_punct(const char* p) const { return peek().kind == TokenKind::Punct && peek().text == p; }
    bool is_word(const char* w) const { return peek().kind == TokenKind::Name && upper(peek().text) == w; }
    void skip_comma() {
        if (is_punct(",")) ++pos_;
    }

    bool number(std::int64_t& v) {
        std::string error;
        Evaluator evaluator(tokens_, pos_, [this](const std::string& n, std::int64_t& x) { return resolve(n, x); },
                            error);
        if (!evaluator.expression(v)) return fail(error);
        skip_comma();
        return true;
    }

    bool number(int& v) {
        std::int64_t wide;
        if (!number(wide)) return false;
        v = static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(wide)));
        return true;
    }

    // A style list: NOT x removes x from the default, anything else adds.
    bool style(std::uint32_t& style) {
        for (;;) {
            const bool remove = is_word("NOT");
            if (remove) ++pos_;
            std::int64_t v;
            std::string error;
            if (!unary_term(v, error)) return fail(error);
            if (remove) style &= ~static_cast<std::uint32_t>(v);
            else style |= static_cast<std::uint32_t>(v);
            if (!is_punct("|")) break;
            ++pos_;
        }
        skip_comma();
        return true;
    }

    // One term of a style list: a name, a number or a parenthesised expression.
    bool unary_term(std::int64_t& v, std::string& error) {
        if (is_punct("(")) {
            Evaluator evaluator(tokens_, pos_, [this](const std::string& n, std::int64_t& x) { return resolve(n, x); },
                                error);
            return evaluator.expression(v);
        }
        const Token& t = peek();
        if (t.kind == TokenKind::Number) {
            v = t.number;
        } else if (t.kind == TokenKind::Name) {
            if (!resolve(t.text, v)) {
                error = "unknown name " + t.text;
                return false;
            }
        } else {
            error = "style expected";
            return false;
        }
        ++pos_;
        return true;
    }

    bool string(std::string& s) {
        if (peek().kind != TokenKind::String) return fail("string expected");
        s = peek().text;
        ++pos_;
        skip_comma();
        return true;
    }

    // Ends a control's optional fields: true when another field follows.
    bool more_fields() const {
        return pos_ < tokens_.size() && pos_ > 0 && tokens_[pos_].line == tokens_[pos_ - 1].line &&
               !is_word("END") && !is_punct("}");
    }

    bool dialog_name(const Token& name, DialogTemplate& dialog) {
        if (name.kind == TokenKind::Number) {
            dialog.id = static_cast<int>(name.number);
            return true;
        }
        if (name.kind == TokenKind::String) {
            dialog.name = upper(name.text);
            return true;
        }
        if (name.kind != TokenKind::Name) return fail("dialog name expected");
        std::int64_t v;
        if (resolve(name.text, v)) dialog.id = static_cast<int>(v);
        else dialog.name = upper(name.text);
        return true;
    }

    bool dialog_body(bool extended, DialogTemplate& d) {
        if (!number(d.x) || !number(d.y) || !number(d.cx) || !number(d.cy)) return false;
        if (extended && more_fields()) {
            int help_id;
            if (!number(help_id)) return false;
        }
        bool has_style = false;
        std::uint32_t style = 0;
        for (;;) {
            if (is_word("STYLE")) {
                ++pos_;
                if (!this->style(style)) return false;
                has_style = true;
            } else if (is_word("EXSTYLE")) {
                ++pos_;
                if (!this->style(d.ex_style)) return false;
            } else if (is_word("CAPTION")) {
                ++pos_;
                if (!string(d.caption)) return false;
                style |= ws_caption;
            } else if (is_word("FONT")) {
                ++pos_;
                if (!number(d.font_points) || !string(d.font_face)) return false;
                while (more_fields()) {
                    int ignored;
                    if (!number(ignored)) return false;  // weight, italic, charset
                }
                style |= ds_setfont;
            } else if (is_word("LANGUAGE") || is_word("MENU") || is_word("CLASS") || is_word("VERSION") ||
                       is_word("CHARACTERISTICS")) {
                skip_line();
            } else {
                break;
            }
        }
        d.style = has_style ? style : style | ws_popup | ws_border | ws_sysmenu;
        if (!is_word("BEGIN") && !is_punct("{")) return fail("BEGIN expected");
        ++pos_;
        while (!is_word("END") && !is_punct("}")) {
            if (pos_ >= tokens_.size()) return fail("END expected");
            ControlTemplate control;
            if (!control_statement(extended, control)) return false;
            d.controls.push_back(std::move(control));
        }
        ++pos_;
        return true;
    }

    struct Statement {
        const char* keyword;
        const char* class_name;
        std::uint32_t style;
        bool has_text;
    };

    bool control_statement(bool extended, ControlTemplate& c) {
        static constexpr Statement statements[] = {
            {"LTEXT", "STATIC", 0x0000 | ws_group, true},
            {"CTEXT", "STATIC", 0x0001 | ws_group, true},
            {"RTEXT", "STATIC", 0x0002 | ws_group, true},
            {"EDITTEXT", "EDIT", ws_border | ws_tabstop, false},
            {"PUSHBUTTON", "BUTTON", 0x0000 | ws_tabstop, true},
            {"DEFPUSHBUTTON", "BUTTON", 0x0001 | ws_tabstop, true},
            {"CHECKBOX", "BUTTON", 0x0002 | ws_tabstop, true},
            {"AUTOCHECKBOX", "BUTTON", 0x0003 | ws_tabstop, true},
            {"STATE3", "BUTTON", 0x0005 | ws_tabstop, true},
            {"AUTO3STATE", "BUTTON", 0x0006 | ws_tabstop, true},
            {"GROUPBOX", "BUTTON", 0x0007, true},
            {"RADIOBUTTON", "BUTTON", 0x0004 | ws_tabstop, true},
            {"AUTORADIOBUTTON", "BUTTON", 0x0009 | ws_tabstop, true},
        };
        if (peek().kind != TokenKind::Name) return fail("control statement expected");
        const std::string keyword = upper(peek().text);
        ++pos_;
        if (keyword == "CONTROL") {
            if (!string(c.text) || !number(c.id)) return false;
            if (peek().kind == TokenKind::String) {
                c.class_name = peek().text;
                ++pos_;
                skip_comma();
            } else if (peek().kind == TokenKind::Name) {
                c.class_name = upper(peek().text);
                ++pos_;
                skip_comma();
            } else {
                return fail("control class expected");
            }
            c.style = ws_child_visible;
            if (!style(c.style)) return false;
            if (!number(c.x) || !number(c.y) || !number(c.cx) || !number(c.cy)) return false;
            if (more_fields() && !style(c.ex_style)) return false;
        } else {
            const Statement* statement = nullptr;
            for (const Statement& s : statements) {
                if (keyword == s.keyword) statement = &s;
            }
            if (!statement) return fail("unsupported control statement " + keyword);
            if (statement->has_text && !string(c.text)) return false;
            c.class_name = statement->class_name;
            c.style = ws_child_visible | statement->style;
            if (!number(c.id) || !number(c.x) || !number(c.y) || !number(c.cx) || !number(c.cy)) return false;
            if (more_fields() && !style(c.style)) return false;
            if (more_fields() && !style(c.ex_style)) return false;
        }
        if (extended && more_fields()) {
            int help_id;
            if (!number(help_id)) return false;
        }
        return true;
    }

    void skip_line() {
        const Line* line = peek().line;
        while (pos_ < tokens_.size() && tokens_[pos_].line == line) ++pos_;
    }

    // Another kind of resource: its header line, and its block when one follows.
    void skip_resource() {
        skip_line();
        while (pos_ < tokens_.size() && !is_word("BEGIN") && !is_punct("{") &&
               peek().kind == TokenKind::Name && tokens_.size() > pos_ + 1 &&
               tokens_[pos_ + 1].line == peek().line && !is_word("END")) {
            // option lines such as CHARACTERISTICS between header and block
            const std::string w = upper(peek().text);
            if (w != "LANGUAGE" && w != "CHARACTERISTICS" && w != "VERSION") break;
            skip_line();
        }
        if (!is_word("BEGIN") && !is_punct("{")) return;
        int depth = 0;
        do {
            if (is_word("BEGIN") || is_punct("{")) ++depth;
            else if (is_word("END") || is_punct("}")) --depth;
            ++pos_;
        } while (depth > 0 && pos_ < tokens_.size());
    }

    const IncludeLookup& lookup_;
    std::string& error_;
    std::vector<Line> lines_;
    std::deque<Line> define_lines_;  // defines_ points into it
    std::map<std::string, const Line*> defines_;
    std::set<std::string> resolving_;
    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
};

} // namespace

bool system_constant(const std::string& name, std::int64_t& value) {
    for (const Constant& c : constants) {
        if (name == c.name) {
            value = c.value;
            return true;
        }
    }
    return false;
}

bool read_resource_script(const char* script, const IncludeLookup& lookup, ResourceScript& out,
                          std::string& error) {
    error.clear();
    out = ResourceScript();
    Reader reader(lookup, error);
    return reader.preprocess(script, "script", 0) && reader.tokenize_all() && reader.parse(out);
}

} // namespace win32qt
