// Row orders: the list sorted by a column, as the dialog's header clicks and
// the command line's --sort and --best see it. Every comparison works on the
// texts a row shows, so the dialog can sort its items by what they display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "listing/listing.h"

enum class SortColumn : int { RecFile = 0, LevFile = 1, SM = 2, Time = 3 };

// The truncated product that a time text was made from, in hundredths
// (thousandths with three_digits): "0:-2.-28" gives -228, "60:00.00" 360000.
// Nothing for "not finished" or any text that is no time.
std::optional<std::int64_t> time_text_value(const char* text, bool three_digits);

// The number of an internal level's text ("internal 7" gives 7); nothing for
// the name of a level file.
std::optional<int> internal_level_number(const char* lev_text);

// Negative, zero or positive as a sorts before, with or after b in column:
// rec file by name without regard to ASCII case, then by bytes (the
// enumeration's order); lev file internal levels by number, then names by
// bytes; s before m; time by value, "not finished" after every time.
int compare_texts(SortColumn column, const char* a, const char* b, bool three_digits);

// Indexes into rows in the order of column, descending when reverse; rows
// with equal keys keep their order in rows either way.
std::vector<std::size_t> sorted_rows(const std::vector<ListRow>& rows, SortColumn column,
                                     bool reverse, bool three_digits);

// Per lev text the finished row with the lowest time value (the earlier in
// rows on equal values), as indexes into rows in the lev file order.
// Unfinished rows are left out.
std::vector<std::size_t> best_per_level(const std::vector<ListRow>& rows, bool three_digits);
