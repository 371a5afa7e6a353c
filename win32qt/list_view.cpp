// The SysListView32 class in report view: rows of text cells under column
// headers, over compact storage.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <cstring>
#include <vector>

#include "win32qt/dialog_manager.h"
#include "win32qt/window.h"

namespace win32qt {
namespace {

constexpr std::uint32_t lvs_typemask = 0x0003;
constexpr std::uint32_t lvs_report = 0x0001;
constexpr std::uint32_t lvs_singlesel = 0x0004;
constexpr std::uint32_t lvs_nocolumnheader = 0x4000;
constexpr std::uint32_t lvs_nosortheader = 0x8000;
constexpr int lvcfmt_justifymask = 0x0003;

// Every cell text lives in one buffer, and a row is a run of (offset,
// length) pairs. Changes made while a message is handled are shown to the
// view once, when the handling ends.
class ListModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    ~ListModel() override { remove_window(&header_); }

    // The header control gets a handle of its own, living as long as the list.
    void attach_header(QHeaderView* header, LRESULT (*proc)(HWND__&, UINT, WPARAM, LPARAM)) {
        header_.widget = header;
        header_.proc = proc;
        add_window(&header_);
    }
    HWND header_window() { return &header_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(columns_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rows_ || index.column() >= int(columns_.size())) return {};
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
            const Cell& c = cells_[std::size_t(index.row()) * columns_.size() + std::size_t(index.column())];
            return to_qstring(text_.data() + c.offset, c.length);
        }
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignment(index.column()) | Qt::AlignVCenter);
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= int(columns_.size())) return {};
        if (role == Qt::DisplayRole) return columns_[std::size_t(section)].title;
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignment(section) | Qt::AlignVCenter);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    int insert_column(int index, const LVCOLUMNA& column) {
        begin_change();
        const std::size_t count = columns_.size();
        const std::size_t at = index < 0 ? count : std::min(std::size_t(index), count);
        Column c;
        if (column.mask & LVCF_TEXT) c.title = to_qstring(column.pszText);
        if (column.mask & LVCF_WIDTH) c.width = column.cx;
        if (column.mask & LVCF_FMT) c.format = column.fmt;
        if (at == 0) c.format = 0;  // the first column is always left-aligned
        if (rows_ > 0) {
            std::vector<Cell> wider;
            wider.reserve(std::size_t(rows_) * (count + 1));
            for (std::size_t r = 0; r < std::size_t(rows_); ++r) {
                const Cell* row = &cells_[r * count];
                wider.insert(wider.end(), row, row + at);
                wider.push_back(Cell{});
                wider.insert(wider.end(), row + at, row + count);
            }
            cells_ = std::move(wider);
        }
        columns_.insert(columns_.begin() + std::ptrdiff_t(at), c);
        return int(at);
    }

    // LVM_SETITEMCOUNT: room for rows rows, so that a long fill does not
    // move the cells again and again. Only a hint: more rows still fit.
    bool reserve_rows(WPARAM rows) {
        constexpr WPARAM most = 1 << 22;  // a hint beyond this is not taken
        if (rows > most) return false;
        cells_.reserve(std::size_t(rows) * std::max<std::size_t>(columns_.size(), 1));
        return true;
    }

    void delete_all() {
        begin_change();
        rows_ = 0;
        cells_.clear();  // keeps its capacity for the next pass
        params_.clear();
        text_.clear();
    }

    int insert_item(const LVITEMA& item) {
        if (item.iItem < 0 || item.iSubItem != 0 || columns_.empty()) return -1;
        const int at = std::min(item.iItem, rows_);
        Cell first;
        if ((item.mask & LVIF_TEXT) && !store(item.pszText, first)) return -1;
        begin_change();
        const std::size_t stride = columns_.size();
        const auto position = cells_.begin() + std::ptrdiff_t(std::size_t(at) * stride);
        const auto inserted = cells_.insert(position, stride, Cell{});
        *inserted = first;
        params_.insert(params_.begin() + at, (item.mask & LVIF_PARAM) ? item.lParam : 0);
        ++rows_;
        return at;
    }

    bool set_item(const LVITEMA& item) {
        if (item.iItem < 0 || item.iItem >= rows_ || item.iSubItem < 0 || item.iSubItem >= int(columns_.size()))
            return false;
        if (item.mask & LVIF_PARAM) params_[std::size_t(item.iItem)] = item.lParam;
        if (!(item.mask & LVIF_TEXT)) return true;
        Cell c;
        if (!store(item.pszText, c)) return false;
        begin_change();
        cells_[std::size_t(item.iItem) * columns_.size() + std::size_t(item.iSubItem)] = c;
        return true;
    }

    // The cell's bytes into the item's buffer, cut to its room; their count.
    int copy_text(int row, const LVITEMA& item) const {
        if (!item.pszText || item.cchTextMax <= 0) return 0;
        std::size_t n = 0;
        if (row >= 0 && row < rows_ && item.iSubItem >= 0 && item.iSubItem < int(columns_.size())) {
            const Cell& c = cells_[std::size_t(row) * columns_.size() + std::size_t(item.iSubItem)];
            n = std::min(std::size_t(c.length), std::size_t(item.cchTextMax - 1));
            std::memcpy(item.pszText, text_.data() + c.offset, n);
        }
        item.pszText[n] = '\0';
        return int(n);
    }

    bool get_item(LVITEMA& item) const {
        if (item.iItem < 0 || item.iItem >= rows_ || item.iSubItem < 0 || item.iSubItem >= int(columns_.size()))
            return false;
        if (item.mask & LVIF_PARAM) item.lParam = params_[std::size_t(item.iItem)];
        if (item.mask & LVIF_TEXT) copy_text(item.iItem, item);
        return true;
    }

    // Orders the rows by compare, which gets their lParams; a stable merge
    // sort that stays in bounds whatever compare answers. Nothing moves if
    // compare changed the list.
    bool sort(PFNLVCOMPARE compare, LPARAM param) {
        if (!compare) return false;
        const std::uint64_t generation = generation_;
        const std::vector<LPARAM> params = params_;  // compare may change the list
        std::vector<int> order(static_cast<std::size_t>(rows_));
        std::vector<int> merged(order.size());
        for (int i = 0; i < rows_; ++i) order[std::size_t(i)] = i;
        for (std::size_t width = 1; width < order.size(); width *= 2) {
            for (std::size_t lo = 0; lo < order.size(); lo += 2 * width) {
                const std::size_t mid = std::min(lo + width, order.size());
                const std::size_t hi = std::min(lo + 2 * width, order.size());
                std::size_t a = lo, b = mid, out = lo;
                while (a < mid && b < hi)
                    merged[out++] = compare(params[std::size_t(order[b])], params[std::size_t(order[a])], param) < 0
                                        ? order[b++]
                                        : order[a++];
                while (a < mid) merged[out++] = order[a++];
                while (b < hi) merged[out++] = order[b++];
            }
            if (generation != generation_) return false;
            order.swap(merged);
        }
        if (generation != generation_) return false;
        permute(order);
        return true;
    }

    int header_format(int index) const {
        return index >= 0 && index < int(columns_.size()) ? columns_[std::size_t(index)].header_format : -1;
    }

    // The header shows one sort mark: that of the first column with one.
    bool set_header_format(int index, int format) {
        if (index < 0 || index >= int(columns_.size())) return false;
        columns_[std::size_t(index)].header_format = format;
        show_sort_mark();
        return true;
    }

    void show_sort_mark() {
        QHeaderView* header = static_cast<QTableView*>(parent())->horizontalHeader();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            const int format = columns_[i].header_format;
            if (format & (HDF_SORTUP | HDF_SORTDOWN)) {
                // Qt draws its ascending mark pointing down; HDF_SORTUP points up.
                const Qt::SortOrder order = (format & HDF_SORTUP) ? Qt::DescendingOrder : Qt::AscendingOrder;
                if (header->sortIndicatorSection() != int(i) || header->sortIndicatorOrder() != order)
                    header->setSortIndicator(int(i), order);
                header->setSortIndicatorShown(true);
                return;
            }
        }
        header->setSortIndicatorShown(false);
    }

    // Shows the changes made since the last call, all at once.
    void publish() {
        if (!changing_) return;
        changing_ = false;
        endResetModel();
        QHeaderView* header = static_cast<QTableView*>(parent())->horizontalHeader();
        for (std::size_t i = 0; i < columns_.size(); ++i) header->resizeSection(int(i), columns_[i].width);
    }

    // The user dragged a column edge: later passes keep that width.
    void column_resized(int index, int width) {
        if (index >= 0 && index < int(columns_.size()) && !changing_) columns_[std::size_t(index)].width = width;
    }

private:
    struct Column {
        QString title;
        int width = 0;
        int format = 0;
        int header_format = HDF_STRING;
    };
    struct Cell {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    Qt::Alignment alignment(int column) const {
        switch (columns_[std::size_t(column)].format & lvcfmt_justifymask) {
        case 1: return Qt::AlignRight;
        case 2: return Qt::AlignHCenter;
        default: return Qt::AlignLeft;
        }
    }

    // Row new_row becomes what row order[new_row] was; selection and current
    // row go with their rows, as the list view's item states do.
    void permute(const std::vector<int>& order) {
        const std::size_t stride = columns_.size();
        std::vector<Cell> cells(cells_.size());
        std::vector<LPARAM> params(params_.size());
        std::vector<int> new_row_of(order.size());
        for (std::size_t r = 0; r < order.size(); ++r) {
            const std::size_t from = std::size_t(order[r]);
            std::copy_n(cells_.begin() + std::ptrdiff_t(from * stride), stride, cells.begin() + std::ptrdiff_t(r * stride));
            params[r] = params_[from];
            new_row_of[from] = int(r);
        }
        if (changing_) {  // a reset is under way: it shows everything anyway
            cells_ = std::move(cells);
            params_ = std::move(params);
            return;
        }
        ++generation_;
        emit layoutAboutToBeChanged();
        cells_ = std::move(cells);
        params_ = std::move(params);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        for (const QModelIndex& i : before) after.push_back(index(new_row_of[std::size_t(i.row())], i.column()));
        changePersistentIndexList(before, after);
        emit layoutChanged();
    }

    // Changes made outside the handling of a message show once the loop runs.
    void begin_change() {
        ++generation_;
        if (changing_) return;
        changing_ = true;
        beginResetModel();
        QMetaObject::invokeMethod(this, &ListModel::publish, Qt::QueuedConnection);
    }

    bool store(const char* text, Cell& cell) {
        // LPSTR_TEXTCALLBACKA asks the owner for the text later; we keep none.
        if (!text || text == reinterpret_cast<const char*>(-1)) {
            cell = Cell{};
            return true;
        }
        const std::size_t length = std::strlen(text);
        if (text_.size() + length > 0xFFFFFFFFu) return false;
        cell.offset = std::uint32_t(text_.size());
        cell.length = std::uint32_t(length);
        text_.append(text, length);
        return true;
    }

    std::vector<Column> columns_;
    std::vector<Cell> cells_;  // rows_ * columns_.size()
    std::vector<LPARAM> params_;  // one per row
    std::string text_;
    int rows_ = 0;
    bool changing_ = false;
    HWND__ header_;
    std::uint64_t generation_ = 0;  // counts changes, so a sort sees one made by its comparison
};

ListModel& model_of(QWidget* view) { return *static_cast<ListModel*>(static_cast<QTableView*>(view)->model()); }

ListModel& model_of(const HWND__& w) { return model_of(w.widget); }


// Item and column fields the list does not keep are reported.
void check_item(const HWND__& w, const LVITEMA& item) {
    if (item.mask & ~UINT(LVIF_TEXT | LVIF_PARAM)) unsupported(w, "item mask 0x%x", item.mask);
}

LRESULT insert_column(HWND__& w, WPARAM index, LPARAM lparam) {
    if (!lparam) return -1;
    const auto& column = *reinterpret_cast<const LVCOLUMNA*>(lparam);
    if (column.mask & ~UINT(LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM))
        unsupported(w, "column mask 0x%x", column.mask);
    if ((column.mask & LVCF_FMT) && (column.fmt & ~lvcfmt_justifymask))
        unsupported(w, "column format 0x%x", unsigned(column.fmt));
    return model_of(w).insert_column(int(index), column);
}

LRESULT delete_all_items(HWND__& w) {
    model_of(w).delete_all();
    return TRUE;
}

LRESULT set_item_count(HWND__& w, WPARAM rows) { return model_of(w).reserve_rows(rows); }

LRESULT insert_item(HWND__& w, LPARAM lparam) {
    if (!lparam) return -1;
    const auto& item = *reinterpret_cast<const LVITEMA*>(lparam);
    check_item(w, item);
    return model_of(w).insert_item(item);
}

LRESULT set_item(HWND__& w, LPARAM lparam) {
    if (!lparam) return FALSE;
    const auto& item = *reinterpret_cast<const LVITEMA*>(lparam);
    check_item(w, item);
    return model_of(w).set_item(item);
}

LRESULT get_item(HWND__& w, LPARAM item) {
    return item && model_of(w).get_item(*reinterpret_cast<LVITEMA*>(item));
}

LRESULT get_item_text(HWND__& w, WPARAM index, LPARAM item) {
    return item ? model_of(w).copy_text(int(index), *reinterpret_cast<const LVITEMA*>(item)) : 0;
}

LRESULT sort_items(HWND__& w, WPARAM param, LPARAM compare) {
    return model_of(w).sort(reinterpret_cast<PFNLVCOMPARE>(compare), LPARAM(param));
}

LRESULT header_proc(HWND__& w, UINT message, WPARAM wparam, LPARAM lparam) {
    ListModel& model = model_of(w.widget->parentWidget());
    auto* item = reinterpret_cast<HDITEMA*>(lparam);
    switch (message) {
    case HDM_GETITEMA: {
        const int format = model.header_format(int(wparam));
        if (!item || format < 0) return FALSE;
        if (item->mask & HDI_FORMAT) item->fmt = format;
        return TRUE;
    }
    case HDM_SETITEMA:
        if (!item || model.header_format(int(wparam)) < 0) return FALSE;
        return !(item->mask & HDI_FORMAT) || model.set_header_format(int(wparam), item->fmt);
    default: return default_proc(w, message, wparam, lparam);
    }
}

// The next selected item after start (-1: from the first), or -1.
LRESULT next_selected(HWND__& w, WPARAM start, LPARAM flags) {
    if (!(flags & LVNI_SELECTED)) return -1;  // the only search the layer has
    const auto* view = static_cast<QTableView*>(w.widget);
    const int rows = view->model()->rowCount();
    for (int row = std::max(int(start) + 1, 0); row < rows; ++row) {
        if (view->selectionModel()->isRowSelected(row)) return row;
    }
    return -1;
}

// Keys the list view reports to its owner as LVN_KEYDOWN: letters, digits
// and the space bar, whose virtual-key codes are their characters.
class KeyDown final : public QObject {
public:
    KeyDown(HWND__& list) : QObject(list.widget), list_(list) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space) {
            NMLVKEYDOWN down = {};
            down.hdr.code = LVN_KEYDOWN;
            down.wVKey = WORD(key);
            notify_parent(list_, down.hdr);
        }
        // Qt's own copy of the current cell is not the list view's: the owner decides.
        return static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy);
    }

private:
    HWND__& list_;
};

// The keys of a Windows list view in report view: a row at a time, Home and
// End to the first and last row, Left and Right scroll; type-ahead looks at
// the first column. Ctrl+C is the owner's (KeyDown above).
class ListView final : public QTableView {
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        const int rows = model()->rowCount();
        switch (action) {
        case MoveHome: return rows > 0 ? model()->index(0, 0) : QModelIndex();
        case MoveEnd: return rows > 0 ? model()->index(rows - 1, 0) : QModelIndex();
        case MoveLeft:
        case MoveRight:
            horizontalScrollBar()->triggerAction(action == MoveLeft ? QAbstractSlider::SliderSingleStepSub
                                                                    : QAbstractSlider::SliderSingleStepAdd);
            return currentIndex();
        default: {
            const QModelIndex to = QTableView::moveCursor(action, modifiers);
            return to.isValid() ? to.siblingAtColumn(0) : to;
        }
        }
    }

public:
    void keyboardSearch(const QString& search) override {
        if (currentIndex().isValid())
            selectionModel()->setCurrentIndex(currentIndex().siblingAtColumn(0), QItemSelectionModel::NoUpdate);
        QTableView::keyboardSearch(search);
    }
};

LRESULT list_view_proc(HWND__& w, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case LVM_INSERTCOLUMNA: return insert_column(w, wparam, lparam);
    case LVM_DELETEALLITEMS: return delete_all_items(w);
    case LVM_INSERTITEMA: return insert_item(w, lparam);
    case LVM_SETITEMA: return set_item(w, lparam);
    case LVM_GETITEMA: return get_item(w, lparam);
    case LVM_GETITEMTEXTA: return get_item_text(w, wparam, lparam);
    case LVM_GETITEMCOUNT: return model_of(w).rowCount();
    case LVM_GETNEXTITEM: return next_selected(w, wparam, lparam);
    case LVM_SORTITEMS: return sort_items(w, wparam, lparam);
    case LVM_GETHEADER: return reinterpret_cast<LRESULT>(model_of(w).header_window());
    case LVM_SETITEMCOUNT: return set_item_count(w, wparam);
    default: return default_proc(w, message, wparam, lparam);
    }
}

} // namespace

bool create_list_view(HWND__& w, QWidget* parent) {
    w.class_name = "SysListView32";
    // Every list shows as a report.
    if ((w.style & lvs_typemask) != lvs_report) unsupported(w, "list view type %u", unsigned(w.style & lvs_typemask));
    check_style(w, control_styles | ws_border | lvs_typemask | lvs_singlesel | lvs_nocolumnheader);
    auto* view = new ListView(parent);
    auto* model = new ListModel(view);
    view->setModel(model);
    view->setFrameShape((w.style & ws_border) ? QFrame::StyledPanel : QFrame::NoFrame);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setSortingEnabled(false);
    view->setTabKeyNavigation(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode((w.style & lvs_singlesel) ? QAbstractItemView::SingleSelection
                                                      : QAbstractItemView::ExtendedSelection);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->verticalHeader()->hide();
    view->verticalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Rows as high as on Windows, so that a click lands on the same row there.
    view->verticalHeader()->setDefaultSectionSize(QFontMetrics(parent->font()).height() + 1);
    QHeaderView* header = view->horizontalHeader();
    header->setVisible(!(w.style & lvs_nocolumnheader));
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    // A header click is the owner's to act on: LVN_COLUMNCLICK, pressed look
    // while the button is down, and the sort mark only as HDM_SETITEMA sets it.
    header->setSectionsClickable(!(w.style & lvs_nosortheader));
    header->setSortIndicatorShown(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(0);
    QObject::connect(header, &QHeaderView::sectionResized, model,
                     [model](int index, int, int width) { model->column_resized(index, width); });
    QObject::connect(header, &QHeaderView::sortIndicatorChanged, model, [model] { model->show_sort_mark(); });
    HWND__* list = &w;
    QObject::connect(header, &QHeaderView::sectionClicked, model, [list](int section) {
        NMLISTVIEW click = {};
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = section;
        notify_parent(*list, click.hdr);
    });
    model->attach_header(header, header_proc);
    w.kind = Kind::ListView;
    w.widget = view;
    view->installEventFilter(new KeyDown(w));
    w.proc = list_view_proc;
    return true;
}

void publish_list(HWND__& list_view) { model_of(list_view).publish(); }

} // namespace win32qt
