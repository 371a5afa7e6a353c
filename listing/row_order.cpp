#include "listing/row_order.h"

#include <algorithm>
#include <cstring>

namespace {

// A signed decimal of at most 10 digits at *p, which is moved past it.
bool take_number(const char*& p, std::int64_t& value) {
    const bool negative = *p == '-';
    if (negative) ++p;
    int digits = 0;
    value = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits) {
        if (digits == 10) return false;
        value = value * 10 + (*p - '0');
    }
    if (negative) value = -value;
    return digits > 0;
}

unsigned char upper(char c) {
    return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

int three_way(std::int64_t a, std::int64_t b) { return (a > b) - (a < b); }

int compare_names(const char* a, const char* b) {
    for (std::size_t i = 0;; ++i) {
        if (upper(a[i]) != upper(b[i])) return upper(a[i]) < upper(b[i]) ? -1 : 1;
        if (a[i] == '\0') break;
    }
    return std::strcmp(a, b);
}

int compare_levels(const char* a, const char* b) {
    const std::optional<int> na = internal_level_number(a);
    const std::optional<int> nb = internal_level_number(b);
    if (na && nb) return three_way(*na, *nb);
    if (na || nb) return na ? -1 : 1;
    return std::strcmp(a, b);
}

int s_m_rank(const char* s) {
    if (std::strcmp(s, "s") == 0) return 0;
    if (std::strcmp(s, "m") == 0) return 1;
    return 2;
}

int compare_times(const char* a, const char* b, bool three_digits) {
    const std::optional<std::int64_t> va = time_text_value(a, three_digits);
    const std::optional<std::int64_t> vb = time_text_value(b, three_digits);
    if (va && vb) return three_way(*va, *vb);
    if (va || vb) return va ? -1 : 1;
    return std::strcmp(a, b);
}

const char* column_text(const ListRow& row, SortColumn column) {
    switch (column) {
    case SortColumn::RecFile: return row.rec_file;
    case SortColumn::LevFile: return row.lev_file;
    case SortColumn::SM: return row.s_m;
    case SortColumn::Time: return row.time;
    }
    return row.rec_file;
}

} // namespace

std::optional<std::int64_t> time_text_value(const char* text, bool three_digits) {
    // "%ld:%02ld.%02ld": each part carries the product's sign, so the parts
    // weighted back together give the product exactly.
    std::int64_t minutes, seconds, fraction;
    const char* p = text;
    if (!take_number(p, minutes) || *p++ != ':' || !take_number(p, seconds) || *p++ != '.' ||
        !take_number(p, fraction) || *p != '\0')
        return std::nullopt;
    return three_digits ? minutes * 60000 + seconds * 1000 + fraction
                        : minutes * 6000 + seconds * 100 + fraction;
}

std::optional<int> internal_level_number(const char* lev_text) {
    // As classify_level writes it: "internal %d" with 1 to 55.
    constexpr char prefix[] = "internal ";
    if (std::strncmp(lev_text, prefix, sizeof prefix - 1) != 0) return std::nullopt;
    const char* p = lev_text + sizeof prefix - 1;
    if (*p < '1' || *p > '9') return std::nullopt;
    int n = *p++ - '0';
    if (*p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
    if (*p != '\0' || n > 55) return std::nullopt;
    return n;
}

int compare_texts(SortColumn column, const char* a, const char* b, bool three_digits) {
    switch (column) {
    case SortColumn::RecFile: return compare_names(a, b);
    case SortColumn::LevFile: return compare_levels(a, b);
    case SortColumn::SM: {
        const int by_rank = three_way(s_m_rank(a), s_m_rank(b));
        return by_rank != 0 ? by_rank : std::strcmp(a, b);
    }
    case SortColumn::Time: return compare_times(a, b, three_digits);
    }
    return 0;
}

std::vector<std::size_t> sorted_rows(const std::vector<ListRow>& rows, SortColumn column,
                                     bool reverse, bool three_digits) {
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
        const int c = compare_texts(column, column_text(rows[i], column),
                                    column_text(rows[j], column), three_digits);
        return reverse ? c > 0 : c < 0;
    });
    return order;
}

std::vector<std::size_t> best_per_level(const std::vector<ListRow>& rows, bool three_digits) {
    struct Candidate {
        std::size_t index;
        std::int64_t value;
    };
    std::vector<Candidate> finished;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (const auto value = time_text_value(rows[i].time, three_digits))
            finished.push_back({i, *value});
    // Stable: on equal level and value the earlier row comes first.
    std::stable_sort(finished.begin(), finished.end(), [&](const Candidate& a, const Candidate& b) {
        const int by_level = compare_levels(rows[a.index].lev_file, rows[b.index].lev_file);
        return by_level != 0 ? by_level < 0 : a.value < b.value;
    });
    std::vector<std::size_t> best;
    for (std::size_t k = 0; k < finished.size(); ++k)
        if (k == 0 || std::strcmp(rows[finished[k - 1].index].lev_file,
                                  rows[finished[k].index].lev_file) != 0)
            best.push_back(finished[k].index);
    return best;
}
