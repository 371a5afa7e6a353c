// Our Win32 dialog manager, list view and message box on Qt Widgets: a dialog
// is made from its template in a resource script, its controls are Qt
// widgets carrying the ids and styles of the template, and their events come
// back to the dialog procedure as the messages Windows would send.
#include "win32qt/win32_qt.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStringDecoder>
#include <QTableView>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <unordered_set>
#include <vector>

#include "win32qt/resource_script.h"

using win32qt::BaseUnits;
using win32qt::ControlTemplate;
using win32qt::DialogTemplate;

namespace {

constexpr std::uint32_t ws_visible = 0x10000000;
constexpr std::uint32_t ws_disabled = 0x08000000;
constexpr std::uint32_t ws_border = 0x00800000;
constexpr std::uint32_t ws_group = 0x00020000;
constexpr std::uint32_t ws_tabstop = 0x00010000;
constexpr std::uint32_t ws_sysmenu = 0x00080000;
constexpr std::uint32_t ss_typemask = 0x0003;
constexpr std::uint32_t ss_noprefix = 0x0080;
constexpr std::uint32_t bs_typemask = 0x000F;
constexpr std::uint32_t es_alignmask = 0x0003;
constexpr std::uint32_t es_password = 0x0020;
constexpr std::uint32_t es_readonly = 0x0800;
constexpr std::uint32_t lvs_singlesel = 0x0004;
constexpr std::uint32_t lvs_nocolumnheader = 0x4000;
constexpr int bst_indeterminate = 2;
constexpr int lvcfmt_justifymask = 0x0003;

enum class Kind { Dialog, Static, Edit, PushButton, CheckBox, RadioButton, GroupBox, ListView, Other };

// Text the way the program hands it over: UTF-8 when it is valid UTF-8,
// otherwise Latin-1, so that no byte shows as a replacement character.
QString to_qstring(const char* bytes, qsizetype length) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes, length));
    if (decoder.hasError()) text = QString::fromLatin1(bytes, length);
    return text;
}

QString to_qstring(const char* bytes) { return bytes ? to_qstring(bytes, qsizetype(std::strlen(bytes))) : QString(); }

// Static text marks a mnemonic with '&' and writes '&&' for the character.
QString without_prefix(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

class DialogWindow;
class ListModel;

} // namespace

// A window handle: the dialog or one of its controls.
struct HWND__ {
    Kind kind = Kind::Other;
    int id = 0;
    std::uint32_t style = 0;
    QWidget* widget = nullptr;
    DialogWindow* dialog = nullptr;
    ListModel* list = nullptr;
    // The bytes last set and what they showed as, so GetWindowTextA gives the
    // same bytes back while the text is unchanged.
    std::string set_bytes;
    QString set_text;
};

namespace {

std::unordered_set<const HWND__*>& live_windows() {
    static std::unordered_set<const HWND__*> windows;
    return windows;
}

HWND__* checked(HWND window) { return live_windows().count(window) ? window : nullptr; }

// --- the list view -------------------------------------------------------

// Report-view list over compact storage: every cell text lives in one
// buffer, and a row is a run of (offset, length) pairs. Changes made while a
// message is handled are shown to the view once, when the handling ends.
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

// --- buttons with the Windows meaning of a click -------------------------

class RadioButton final : public QRadioButton {
public:
    RadioButton(const QString& text, QWidget* parent, bool automatic)
        : QRadioButton(text, parent), automatic_(automatic) {
        setAutoExclusive(false);  // the dialog keeps its groups, as Windows does
    }

protected:
    // An auto radio button is checked by a click, never unchecked; a plain one
    // leaves its state to the dialog procedure.
    void nextCheckState() override {
        if (automatic_) setChecked(true);
    }

private:
    bool automatic_;
};

class CheckBox final : public QCheckBox {
public:
    CheckBox(const QString& text, QWidget* parent, bool automatic) : QCheckBox(text, parent), automatic_(automatic) {}

protected:
    void nextCheckState() override {
        if (automatic_) QCheckBox::nextCheckState();
    }

private:
    bool automatic_;
};

// --- the dialog ------------------------------------------------------------

std::function<void(HWND)>& shown_hook() {
    static std::function<void(HWND)> hook;
    return hook;
}

class DialogWindow final : public QWidget {
public:
    DialogWindow(const DialogTemplate& t, QWidget* owner, DLGPROC procedure, LPARAM param)
        : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::MSWindowsFixedSizeDialogHint |
                             ((t.style & ws_sysmenu) ? Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                                                     : Qt::WindowFlags())),
          procedure_(procedure), param_(param) {
        self_.kind = Kind::Dialog;
        self_.style = t.style;
        self_.widget = this;
        self_.dialog = this;
        live_windows().insert(&self_);
        set_text(self_, t.caption.c_str());
        setWindowModality(Qt::ApplicationModal);

        QFont font;
        if (t.font_points > 0) {
            font.setFamilies({QString::fromLatin1(t.font_face.c_str()), QStringLiteral("Liberation Sans"),
                              QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
            font.setPixelSize(win32qt::points_to_pixels(t.font_points));
        }
        setFont(font);
        const QFontMetrics metrics(font);
        base_ = win32qt::base_units_from(
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
            metrics.height());

        const win32qt::PixelRect frame = win32qt::dialog_units_to_pixels(t.x, t.y, t.cx, t.cy, base_);
        setFixedSize(frame.width, frame.height);
        move(frame.x, frame.y);

        controls_.reserve(t.controls.size());
        for (const ControlTemplate& c : t.controls) add_control(c);
    }

    ~DialogWindow() override {
        for (const auto& c : controls_) live_windows().erase(c.get());
        live_windows().erase(&self_);
    }

    HWND handle() { return &self_; }
    BaseUnits base_units() const { return base_; }

    INT_PTR run() {
        HWND first = first_tab_stop();
        opened_ = true;
        if (send(WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param_) && first && !ended_) {
            first->widget->setFocus(Qt::TabFocusReason);
            if (first->kind == Kind::Edit) static_cast<QLineEdit*>(first->widget)->selectAll();
        }
        if (!ended_) {
            show();
            activateWindow();
            if (shown_hook()) {
                QPointer<DialogWindow> self(this);
                QTimer::singleShot(0, this, [self] {
                    if (self && !self->ended_ && shown_hook()) shown_hook()(self->handle());
                });
            }
            QEventLoop loop;
            loop_ = &loop;
            if (!ended_) loop.exec();
            loop_ = nullptr;
            hide();
        }
        return result_;
    }

    void end(INT_PTR result) {
        if (ended_) return;
        ended_ = true;
        result_ = result;
        if (loop_) loop_->quit();
    }

    HWND item(int id) {
        for (const auto& c : controls_) {
            if (c->id == id) return c.get();
        }
        return nullptr;
    }

    // Hands a message to the dialog procedure; list changes become visible
    // when the outermost handling ends.
    INT_PTR send(UINT message, WPARAM wparam, LPARAM lparam) {
        ++depth_;
        const INT_PTR result = procedure_(&self_, message, wparam, lparam);
        if (--depth_ == 0) publish_lists();
        return result;
    }

    // A control's notification; none reach the procedure before WM_INITDIALOG.
    void command(int id, int code, HWND control) {
        if (!opened_ || ended_) return;
        send(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    }

    void publish_lists() {
        for (const auto& c : controls_) {
            if (c->list) c->list->publish();
        }
    }

    static void set_text(HWND__& window, const char* bytes) {
        window.set_bytes = bytes ? bytes : "";
        window.set_text = to_qstring(bytes);
        switch (window.kind) {
        case Kind::Dialog: window.widget->setWindowTitle(window.set_text); break;
        case Kind::Static:
            static_cast<QLabel*>(window.widget)
                ->setText((window.style & ss_noprefix) ? window.set_text : without_prefix(window.set_text));
            break;
        case Kind::Edit: static_cast<QLineEdit*>(window.widget)->setText(window.set_text); break;
        case Kind::PushButton:
        case Kind::CheckBox:
        case Kind::RadioButton: static_cast<QAbstractButton*>(window.widget)->setText(window.set_text); break;
        case Kind::GroupBox: static_cast<QGroupBox*>(window.widget)->setTitle(window.set_text); break;
        case Kind::ListView:
        case Kind::Other: break;
        }
    }

    static QString shown_text(const HWND__& window) {
        switch (window.kind) {
        case Kind::Dialog: return window.widget->windowTitle();
        case Kind::Edit: return static_cast<QLineEdit*>(window.widget)->text();
        case Kind::PushButton:
        case Kind::CheckBox:
        case Kind::RadioButton: return static_cast<QAbstractButton*>(window.widget)->text();
        case Kind::GroupBox: return static_cast<QGroupBox*>(window.widget)->title();
        default: return window.set_text;
        }
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();  // only EndDialog closes the dialog
        command(IDCANCEL, BN_CLICKED, nullptr);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (!dialog_key(nullptr, event)) QWidget::keyPressEvent(event);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            for (const auto& c : controls_) {
                if (c->widget == watched) return dialog_key(c.get(), static_cast<QKeyEvent*>(event));
            }
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    void add_control(const ControlTemplate& t) {
        auto window = std::make_unique<HWND__>();
        HWND__& w = *window;
        w.id = t.id;
        w.style = t.style;
        w.dialog = this;
        const QString upper_class = QString::fromLatin1(t.class_name.c_str()).toUpper();
        const std::uint32_t button_type = t.style & bs_typemask;
        if (upper_class == u"STATIC") {
            w.kind = Kind::Static;
            auto* label = new QLabel(this);
            const std::uint32_t align = t.style & ss_typemask;
            label->setAlignment((align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft) |
                                Qt::AlignTop);
            label->setWordWrap(align != 3 && (t.style & 0xC) != 0xC);
            label->setTextFormat(Qt::PlainText);
            w.widget = label;
        } else if (upper_class == u"EDIT") {
            w.kind = Kind::Edit;
            auto* edit = new QLineEdit(this);
            edit->setFrame(t.style & ws_border);
            const std::uint32_t align = t.style & es_alignmask;
            edit->setAlignment(align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft);
            edit->setReadOnly(t.style & es_readonly);
            if (t.style & es_password) edit->setEchoMode(QLineEdit::Password);
            HWND handle = &w;
            connect(edit, &QLineEdit::textChanged, this, [this, handle] { command(handle->id, EN_CHANGE, handle); });
            w.widget = edit;
        } else if (upper_class == u"BUTTON" && (button_type == 0 || button_type == 1)) {
            w.kind = Kind::PushButton;
            auto* button = new QPushButton(this);
            button->setAutoDefault(false);
            if (button_type == 1 && default_id_ == IDOK) default_id_ = t.id;
            w.widget = button;
        } else if (upper_class == u"BUTTON" && button_type >= 2 && button_type <= 6 && button_type != 4) {
            w.kind = Kind::CheckBox;
            auto* box = new CheckBox(QString(), this, button_type == 3 || button_type == 6);
            box->setTristate(button_type == 5 || button_type == 6);
            w.widget = box;
        } else if (upper_class == u"BUTTON" && (button_type == 4 || button_type == 9)) {
            w.kind = Kind::RadioButton;
            w.widget = new RadioButton(QString(), this, button_type == 9);
        } else if (upper_class == u"BUTTON" && button_type == 7) {
            w.kind = Kind::GroupBox;
            w.widget = new QGroupBox(this);
        } else if (upper_class == u"SYSLISTVIEW32") {
            w.kind = Kind::ListView;
            w.widget = make_list_view(w);
        } else {
            // A class the layer does not make: a blank area keeps the layout.
            std::fprintf(stderr, "win32qt: no control class %s, id %d\n", t.class_name.c_str(), t.id);
            w.kind = Kind::Other;
            w.widget = new QWidget(this);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w.widget)) {
            HWND handle = &w;
            connect(button, &QAbstractButton::clicked, this, [this, handle] { clicked(handle); });
        }
        set_text(w, t.text.c_str());

        const win32qt::PixelRect r = win32qt::dialog_units_to_pixels(t.x, t.y, t.cx, t.cy, base_);
        w.widget->setGeometry(r.x, r.y, r.width, r.height);
        if (w.kind == Kind::Static || w.kind == Kind::GroupBox || w.kind == Kind::Other) {
            w.widget->setFocusPolicy(Qt::NoFocus);
        } else {
            w.widget->setFocusPolicy((t.style & ws_tabstop) ? Qt::StrongFocus : Qt::ClickFocus);
        }
        w.widget->setEnabled(!(t.style & ws_disabled));
        w.widget->setVisible(t.style & ws_visible);
        w.widget->installEventFilter(this);
        live_windows().insert(&w);
        controls_.push_back(std::move(window));
    }

    QTableView* make_list_view(HWND__& w) {
        auto* view = new QTableView(this);
        auto* model = new ListModel(view);
        view->setModel(model);
        w.list = model;
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
        view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
        QHeaderView* header = view->horizontalHeader();
        header->setVisible(!(w.style & lvs_nocolumnheader));
        header->setStretchLastSection(false);
        header->setHighlightSections(false);
        header->setSectionsClickable(false);
        header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        header->setMinimumSectionSize(0);
        connect(header, &QHeaderView::sectionResized, model,
                [model](int index, int, int width) { model->column_resized(index, width); });
        return view;
    }

    HWND first_tab_stop() {
        for (const auto& c : controls_) {
            if ((c->style & ws_tabstop) && c->widget->isEnabled() && !c->widget->isHidden()) return c.get();
        }
        return nullptr;
    }

    // The controls of window's group: from the last control at or before it
    // that starts a group up to the next one that does.
    std::pair<std::size_t, std::size_t> group_of(std::size_t index) const {
        std::size_t first = index;
        while (first > 0 && !(controls_[first]->style & ws_group)) --first;
        std::size_t last = index + 1;
        while (last < controls_.size() && !(controls_[last]->style & ws_group)) ++last;
        return {first, last};
    }

    std::size_t index_of(const HWND__* window) const {
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            if (controls_[i].get() == window) return i;
        }
        return controls_.size();
    }

    void clicked(HWND button) {
        if (button->kind == Kind::RadioButton && (button->style & bs_typemask) == 9) {
            const auto [first, last] = group_of(index_of(button));
            for (std::size_t i = first; i < last; ++i) {
                HWND__& other = *controls_[i];
                if (&other != button && other.kind == Kind::RadioButton && (other.style & bs_typemask) == 9)
                    static_cast<QRadioButton*>(other.widget)->setChecked(false);
            }
        }
        command(button->id, BN_CLICKED, button);
    }

    // Arrow keys move among the radio buttons of a group, wrapping; an auto
    // radio button that gets the focus this way is clicked.
    void move_in_group(HWND from, int step) {
        const std::size_t index = index_of(from);
        const auto [first, last] = group_of(index);
        const int size = int(last - first);
        const int at = int(index - first);
        for (int k = 1; k < size; ++k) {
            HWND__& to = *controls_[first + std::size_t(((at + step * k) % size + size) % size)];
            if (to.kind != Kind::RadioButton || !to.widget->isEnabled() || to.widget->isHidden()) continue;
            to.widget->setFocus(Qt::OtherFocusReason);
            if ((to.style & bs_typemask) == 9) static_cast<QAbstractButton*>(to.widget)->click();
            return;
        }
    }

    // Esc and Enter for the whole dialog, arrows for buttons. control is the
    // control that has the key, nullptr for the dialog itself.
    bool dialog_key(HWND control, QKeyEvent* event) {
        switch (event->key()) {
        case Qt::Key_Escape:
            command(IDCANCEL, BN_CLICKED, nullptr);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (control && control->kind == Kind::PushButton) command(control->id, BN_CLICKED, control);
            else command(default_id_, BN_CLICKED, item(default_id_));
            return true;
        case Qt::Key_Up:
        case Qt::Key_Left:
        case Qt::Key_Down:
        case Qt::Key_Right:
            if (!control || (control->kind != Kind::RadioButton && control->kind != Kind::CheckBox &&
                             control->kind != Kind::PushButton))
                return false;
            if (control->kind == Kind::RadioButton)
                move_in_group(control, event->key() == Qt::Key_Up || event->key() == Qt::Key_Left ? -1 : 1);
            return true;
        default: return false;
        }
    }

    DLGPROC procedure_;
    LPARAM param_;
    HWND__ self_;
    std::vector<std::unique_ptr<HWND__>> controls_;
    BaseUnits base_{};
    int default_id_ = IDOK;
    bool opened_ = false;
    bool ended_ = false;
    INT_PTR result_ = 0;
    int depth_ = 0;
    QEventLoop* loop_ = nullptr;
};

// --- start-up and resources --------------------------------------------

std::vector<win32qt::ResourceFile>& resource_files() {
    static std::vector<win32qt::ResourceFile> files;
    return files;
}

const win32qt::ResourceScript* resource_scripts() {
    static win32qt::ResourceScript all;
    static bool read = false;
    if (!read) {
        read = true;
        const auto lookup = [](const std::string& name) -> const char* {
            for (const win32qt::ResourceFile& f : resource_files()) {
                if (name == f.name) return f.text;
            }
            return nullptr;
        };
        for (const win32qt::ResourceFile& f : resource_files()) {
            const std::size_t n = std::strlen(f.name);
            if (n < 3 || std::strcmp(f.name + n - 3, ".rc") != 0) continue;
            win32qt::ResourceScript script;
            std::string error;
            if (!win32qt::read_resource_script(f.text, lookup, script, error)) {
                std::fprintf(stderr, "win32qt: %s: %s\n", f.name, error.c_str());
                continue;
            }
            for (DialogTemplate& d : script.dialogs) all.dialogs.push_back(std::move(d));
        }
    }
    return &all;
}

const DialogTemplate* find_template(LPCSTR resource) {
    const auto value = reinterpret_cast<UINT_PTR>(resource);
    for (const DialogTemplate& d : resource_scripts()->dialogs) {
        if (value < 0x10000 ? d.id == int(value) : d.id < 0 && QString::fromLatin1(resource).toUpper() == d.name.c_str())
            return &d;
    }
    return nullptr;
}

const char* program_name() { return program_invocation_short_name; }

void no_display() {
    std::fprintf(stderr,
                 "%s: the dialog needs a display (X11 or Wayland) and none is available; "
                 "korvo-clockr-cli lists the same rec files without one, e.g. korvo-clockr-cli 'rec/*.rec'\n",
                 program_name());
    std::fflush(stderr);
    _exit(1);
}

QtMessageHandler previous_handler = nullptr;

// While Qt starts, a platform that cannot open is fatal to it; we end with
// the one line above instead, and keep its other start-up chatter back.
void start_up_messages(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg) no_display();
}

bool ensure_application() {
    if (QApplication::instance()) return true;
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) no_display();
    static int argc = 1;
    static char* argv[] = {program_invocation_name, nullptr};
    previous_handler = qInstallMessageHandler(start_up_messages);
    new QApplication(argc, argv);  // lives as long as the process
    qInstallMessageHandler(previous_handler);
    return true;
}

std::function<int(HWND, const char*, const char*, UINT)>& message_box_hook() {
    static std::function<int(HWND, const char*, const char*, UINT)> hook;
    return hook;
}

char module_tag;

} // namespace

// --- the calls ---------------------------------------------------------------

void InitCommonControls() { ensure_application(); }

HMODULE GetModuleHandleA(LPCSTR module_name) {
    return module_name ? nullptr : reinterpret_cast<HMODULE>(&module_tag);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR resource, HWND owner, DLGPROC procedure, LPARAM init_param) {
    if (!procedure || !ensure_application()) return -1;
    const DialogTemplate* t = find_template(resource);
    if (!t) return -1;
    HWND__* parent = checked(owner);
    DialogWindow dialog(*t, parent ? parent->widget : nullptr, procedure, init_param);
    return dialog.run();
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    HWND__* w = checked(dialog);
    if (!w || w->kind != Kind::Dialog) return FALSE;
    w->dialog->end(result);
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    HWND__* w = checked(dialog);
    return w && w->kind == Kind::Dialog ? w->dialog->item(id) : nullptr;
}

int GetWindowTextA(HWND window, LPSTR text, int room) {
    HWND__* w = checked(window);
    if (!text || room <= 0) return 0;
    text[0] = '\0';
    if (!w) return 0;
    const QString shown = DialogWindow::shown_text(*w);
    const std::string bytes = shown == w->set_text ? w->set_bytes : shown.toUtf8().toStdString();
    const std::size_t n = std::min(bytes.size(), std::size_t(room - 1));
    std::memcpy(text, bytes.data(), n);
    text[n] = '\0';
    return int(n);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    HWND__* w = checked(window);
    if (!w) return FALSE;
    DialogWindow::set_text(*w, text);
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND__* w = checked(window);
    if (!w) return 0;
    switch (w->kind) {
    case Kind::CheckBox:
    case Kind::RadioButton: {
        auto* button = static_cast<QAbstractButton*>(w->widget);
        auto* box = qobject_cast<QCheckBox*>(button);
        if (message == BM_GETCHECK) {
            if (box && box->checkState() == Qt::PartiallyChecked) return bst_indeterminate;
            return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        }
        if (message == BM_SETCHECK) {
            if (box && box->isTristate() && wparam == bst_indeterminate) box->setCheckState(Qt::PartiallyChecked);
            else button->setChecked(wparam != BST_UNCHECKED);
        }
        return 0;
    }
    case Kind::ListView: {
        ListModel* list = w->list;
        switch (message) {
        case LVM_INSERTCOLUMNA:
            return lparam ? list->insert_column(int(wparam), *reinterpret_cast<const LVCOLUMNA*>(lparam)) : -1;
        case LVM_DELETEALLITEMS: list->delete_all(); return TRUE;
        case LVM_INSERTITEMA: return lparam ? list->insert_item(*reinterpret_cast<const LVITEMA*>(lparam)) : -1;
        case LVM_SETITEMA: return lparam && list->set_item(*reinterpret_cast<const LVITEMA*>(lparam));
        default: return 0;
        }
    }
    default: return 0;
    }
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageA(GetDlgItem(dialog, id), message, wparam, lparam);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (!caption) caption = "Error";
    if (!text) text = "";
    if (message_box_hook()) return message_box_hook()(owner, text, caption, type);
    if (!ensure_application()) return 0;
    HWND__* parent = checked(owner);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0) {
    case MB_ICONERROR: icon = QMessageBox::Critical; break;
    case MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case MB_ICONWARNING: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (type & 0x0F) {
    case MB_OKCANCEL: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MB_YESNOCANCEL: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MB_YESNO: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case MB_RETRYCANCEL: buttons = QMessageBox::Retry | QMessageBox::Cancel; break;
    }
    QMessageBox box(icon, to_qstring(caption), to_qstring(text), buttons, parent ? parent->widget : nullptr);
    if (parent) box.setFont(parent->widget->font());
    switch (box.exec()) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return (type & 0x0F) == MB_OK ? IDOK : IDCANCEL;
    }
}

namespace win32qt {

bool register_resource_files(const ResourceFile* files, int count) {
    for (int i = 0; i < count; ++i) resource_files().push_back(files[i]);
    return true;
}

QWidget* widget_of(HWND window) {
    HWND__* w = checked(window);
    return w ? w->widget : nullptr;
}

BaseUnits dialog_base_units(HWND dialog) {
    HWND__* w = checked(dialog);
    return w && w->kind == Kind::Dialog ? w->dialog->base_units() : BaseUnits{0, 0};
}

void set_dialog_shown_hook(std::function<void(HWND dialog)> hook) { shown_hook() = std::move(hook); }

void set_message_box_hook(std::function<int(HWND owner, const char* text, const char* caption, UINT type)> hook) {
    message_box_hook() = std::move(hook);
}

} // namespace win32qt
