// The SysListView32 class in report view: rows of text cells under column
// headers, over compact storage.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <cstring>
#include <vector>

#include "win32qt/window.h"

namespace win32qt {
namespace {

constexpr std::uint32_t lvs_singlesel = 0x0004;
constexpr std::uint32_t lvs_nocolumnheader = 0x4000;
constexpr int lvcfmt_justifymask = 0x0003;

// Every cell text lives in one buffer, and a row is a run of (offset,
// length) pairs. Changes made while a message is handled are shown to the
// view once, when the handling ends.
class ListModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

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

    void delete_all() {
        begin_change();
        rows_ = 0;
        cells_.clear();  // keeps its capacity for the next pass
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
        ++rows_;
        return at;
    }

    bool set_item(const LVITEMA& item) {
        if (item.iItem < 0 || item.iItem >= rows_ || item.iSubItem < 0 || item.iSubItem >= int(columns_.size()))
            return false;
        if (!(item.mask & LVIF_TEXT)) return true;
        Cell c;
        if (!store(item.pszText, c)) return false;
        begin_change();
        cells_[std::size_t(item.iItem) * columns_.size() + std::size_t(item.iSubItem)] = c;
        return true;
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

    // Changes made outside the handling of a message show once the loop runs.
    void begin_change() {
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
    std::string text_;
    int rows_ = 0;
    bool changing_ = false;
};

ListModel& model_of(const HWND__& w) {
    return *static_cast<ListModel*>(static_cast<QTableView*>(w.widget)->model());
}

LRESULT insert_column(HWND__& w, WPARAM index, LPARAM column) {
    return column ? model_of(w).insert_column(int(index), *reinterpret_cast<const LVCOLUMNA*>(column)) : -1;
}

LRESULT delete_all_items(HWND__& w) {
    model_of(w).delete_all();
    return TRUE;
}

LRESULT insert_item(HWND__& w, LPARAM item) {
    return item ? model_of(w).insert_item(*reinterpret_cast<const LVITEMA*>(item)) : -1;
}

LRESULT set_item(HWND__& w, LPARAM item) {
    return item && model_of(w).set_item(*reinterpret_cast<const LVITEMA*>(item));
}

// The keys of a Windows list view in report view: a row at a time, Home and
// End to the first and last row, Left and Right scroll; type-ahead looks at
// the first column. It copies nothing.
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

    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy)) return;
        QTableView::keyPressEvent(event);
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
    default: return default_proc(w, message, wparam, lparam);
    }
}

} // namespace

bool create_list_view(HWND__& w, QWidget* parent) {
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
    header->setSectionsClickable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(0);
    QObject::connect(header, &QHeaderView::sectionResized, model,
                     [model](int index, int, int width) { model->column_resized(index, width); });
    w.kind = Kind::ListView;
    w.widget = view;
    w.proc = list_view_proc;
    return true;
}

void publish_list(HWND__& list_view) { model_of(list_view).publish(); }

} // namespace win32qt
