#include "chipsetup/gui/register_dialog.h"

#include "softpot/gui/up_down_control.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

namespace korvelo {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Enter and the arrow keys belong to a value edit: Enter takes the typed value (it does not
// press the default button), Up and Down step it as its up-down control does; leaving the edit
// takes the value too.
class EditKeys : public QObject {
  public:
    EditKeys(QObject* parent, std::function<void()> take, std::function<void(int)> step)
        : QObject(parent), take_(std::move(take)), step_(std::move(step)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            take_();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                take_();
                return true;
            }
            if (step_ && (key == Qt::Key_Up || key == Qt::Key_Down)) {
                step_(key == Qt::Key_Up ? +1 : -1);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> take_;
    std::function<void(int)> step_;
};

// What can be typed: the characters of the page's numbers, no more.
QValidator* validatorFor(const Binding& b, QObject* parent) {
    QString pattern;
    if (b.kind == ControlKind::HexWord)
        pattern = QStringLiteral("[0-9A-Fa-f]*");
    else if (b.kind == ControlKind::Scaled)
        pattern = QStringLiteral("%1[0-9]*(\\.[0-9]*)?")
                      .arg(b.scale.min < 0 ? QStringLiteral("-?") : QString());
    else
        return nullptr;
    return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}

// Marks a control whose stored value the list or scale cannot show.
void markOutOfRange(QWidget* w, bool out, const QString& note) {
    if (w->property("outOfRange").toBool() == out)
        return;
    w->setProperty("outOfRange", out);
    QPalette p = w->parentWidget() ? w->parentWidget()->palette() : QPalette();
    if (out) {
        const QColor warning(255, 224, 150);
        p.setColor(QPalette::Base, warning);
        p.setColor(QPalette::Button, warning);
    }
    w->setPalette(p);
    w->setToolTip(out ? QStringLiteral("The stored value is outside this control's range; it is "
                                       "sent as the tuning image holds it.")
                      : note);
}

} // namespace

RegisterDialog::RegisterDialog(AppEnv& env, const RegisterPageSpec& table, QWidget* parent)
    : QDialog(parent), page_(env, table) {
    setWindowTitle(qs(table.title));
    auto* top = new QVBoxLayout(this);
    auto* groups = new QGridLayout;
    groups->setHorizontalSpacing(10);
    groups->setVerticalSpacing(8);
    top->addLayout(groups);

    for (int g = 0; g < static_cast<int>(table.groups.size()); ++g) {
        const RegisterGroup& group = table.groups[static_cast<std::size_t>(g)];
        auto* box = new QGroupBox(qs(group.caption), this);
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(4);
        // Rows and columns in the order the table first names them.
        std::vector<std::string_view> rows, columns;
        for (const Binding& b : table.bindings) {
            if (b.group != g)
                continue;
            if (std::find(rows.begin(), rows.end(), b.row) == rows.end())
                rows.push_back(b.row);
            if (std::find(columns.begin(), columns.end(), b.column) == columns.end())
                columns.push_back(b.column);
        }
        const bool rowLabels =
            std::any_of(rows.begin(), rows.end(), [](std::string_view r) { return !r.empty(); });
        const bool headings = std::any_of(columns.begin(), columns.end(),
                                          [](std::string_view c) { return !c.empty(); });
        const int firstRow = headings ? 1 : 0;
        const int firstColumn = rowLabels ? 1 : 0;
        for (std::size_t c = 0; headings && c < columns.size(); ++c) {
            auto* l = new QLabel(qs(columns[c]).trimmed(), box);
            l->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
            grid->addWidget(l, 0, firstColumn + static_cast<int>(c));
        }
        for (std::size_t r = 0; rowLabels && r < rows.size(); ++r)
            grid->addWidget(new QLabel(qs(rows[r]).trimmed(), box), firstRow + static_cast<int>(r),
                            0);
        for (int i = 0; i < page_.count(); ++i) {
            const Binding& b = page_.binding(i);
            if (b.group != g)
                continue;
            const auto r = std::find(rows.begin(), rows.end(), b.row) - rows.begin();
            const auto c = std::find(columns.begin(), columns.end(), b.column) - columns.begin();
            grid->addWidget(makeControl(i, box), firstRow + static_cast<int>(r),
                            firstColumn + static_cast<int>(c));
        }
        if (!group.note.empty()) {
            auto* note = new QLabel(qs(group.note), box);
            note->setWordWrap(true);
            grid->addWidget(note, grid->rowCount(), 0, 1, grid->columnCount());
        }
        grid->setRowStretch(grid->rowCount(), 1);
        // Controls keep their own width; the group's spare room stays on the right.
        grid->setColumnStretch(grid->columnCount(), 1);
        groups->addWidget(box, group.row, group.column, group.rowSpan, group.columnSpan);
    }

    send_ = new QPushButton(QStringLiteral("DATA &SEND"), this);
    send_->setAccessibleName(QStringLiteral("DATA SEND"));
    send_->setDefault(true);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setAccessibleName(QStringLiteral("Page status"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Room for two lines from the start, so a longer message does not move the controls.
    status_->setMinimumHeight(2 * status_->fontMetrics().lineSpacing());
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(send_, 0, Qt::AlignTop);
    top->addLayout(bottom);
    connect(send_, &QPushButton::clicked, this, [this] {
        page_.dataSend();
        mirror();
    });
    mirror();
}

RegisterDialog::~RegisterDialog() {
    for (const auto& [edit, keys] : filters_)
        edit->removeEventFilter(keys);
}

QWidget* RegisterDialog::makeControl(int i, QWidget* parent) {
    const Binding& b = page_.binding(i);
    const QString name = QString::fromStdString(page_.label(i));
    QWidget* w = nullptr;
    switch (b.kind) {
    case ControlKind::Choice: {
        auto* combo = new QComboBox(parent);
        for (std::string_view entry : b.list)
            combo->addItem(qs(entry));
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        connect(combo, &QComboBox::activated, this, [this, i](int index) {
            page_.select(i, index);
            mirror();
        });
        w = combo;
        break;
    }
    case ControlKind::Radio: {
        w = new QWidget(parent);
        auto* column = new QVBoxLayout(w);
        column->setContentsMargins(0, 0, 0, 0);
        auto* buttons = new QButtonGroup(w);
        for (std::size_t k = 0; k < b.list.size(); ++k) {
            auto* button = new QRadioButton(qs(b.list[k]), w);
            button->setAccessibleName(name + QStringLiteral(", ") + qs(b.list[k]));
            buttons->addButton(button, static_cast<int>(k));
            column->addWidget(button);
        }
        connect(buttons, &QButtonGroup::idClicked, this, [this, i](int id) {
            page_.select(i, id);
            mirror();
        });
        break;
    }
    case ControlKind::Scaled:
    case ControlKind::HexWord:
    case ControlKind::Text:
    case ControlKind::ByteView: {
        auto* edit = new QLineEdit(parent);
        const bool view = b.kind == ControlKind::ByteView;
        edit->setReadOnly(view);
        if (b.maxChars > 0)
            edit->setMaxLength(b.maxChars);
        if (QValidator* v = validatorFor(b, edit))
            edit->setValidator(v);
        const int chars = view ? 40 : std::max(b.maxChars, 4);
        const int width = edit->fontMetrics().horizontalAdvance(QString(chars, u'0')) + 14;
        if (view) {
            edit->setMinimumWidth(width);
        } else {
            edit->setFixedWidth(width);
            edit->setAlignment(Qt::AlignRight);
        }
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { page_.type(i, text.toStdString()); });
        std::function<void(int)> step;
        if (b.spin != 0)
            step = [this, i](int delta) {
                page_.step(i, delta);
                mirror();
            };
        if (!view) {
            auto* keys = new EditKeys(
                edit,
                [this, i] {
                    page_.commit(i);
                    mirror();
                },
                step);
            edit->installEventFilter(keys);
            filters_.emplace_back(edit, keys);
        }
        w = edit;
        if (b.spin == 0)
            break;
        // The edit and its up-down control side by side, as one cell.
        auto* cell = new QWidget(parent);
        auto* row = new QHBoxLayout(cell);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        auto* arrows = new UpDownControl(cell);
        arrows->setAccessibleBaseName(name);
        arrows->setFixedHeight(edit->sizeHint().height());
        arrows->setEnabled(b.enabled);
        connect(arrows, &UpDownControl::stepped, this, step);
        edit->setParent(cell);
        row->addWidget(edit);
        row->addWidget(arrows);
        row->addStretch(1);
        spins_[i] = arrows;
        w->setAccessibleName(name);
        w->setEnabled(b.enabled);
        w->setToolTip(qs(b.note));
        controls_[i] = w;
        return cell;
    }
    }
    w->setAccessibleName(name);
    w->setEnabled(b.enabled);
    w->setToolTip(qs(b.note));
    controls_[i] = w;
    return w;
}

QWidget* RegisterDialog::control(int id) const {
    const int i = page_.find(id);
    const auto it = controls_.find(i);
    return it == controls_.end() ? nullptr : it->second;
}

UpDownControl* RegisterDialog::spin(int id) const {
    const auto it = spins_.find(page_.find(id));
    return it == spins_.end() ? nullptr : it->second;
}

void RegisterDialog::mirror() {
    for (const auto& [i, w] : controls_) {
        const Binding& b = page_.binding(i);
        const ControlState& s = page_.state(i);
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->currentIndex() != s.selection)
                combo->setCurrentIndex(s.selection);
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            const QString text = QString::fromStdString(s.text);
            if (edit->text() != text)
                edit->setText(text);
        } else if (auto* buttons = w->findChild<QButtonGroup*>()) {
            if (QAbstractButton* button = buttons->button(s.selection))
                button->setChecked(true);
        }
        markOutOfRange(w, s.outOfRange, qs(b.note));
    }
    status_->setText(QString::fromStdString(page_.statusText()));
    send_->setEnabled(page_.canSend());
}

bool RegisterDialog::confirmClose() {
    page_.commitTyped();
    mirror();
    const int n = page_.unsentCount();
    if (n == 0 || !page_.canSend())
        return true;
    const QString text =
        n == 1
            ? QStringLiteral("1 setting has not been sent to the radio. Send it now?")
            : QStringLiteral("%1 settings have not been sent to the radio. Send them now?").arg(n);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tuner Tool"), text, QMessageBox::NoButton,
                    this);
    QPushButton* sendNow = box.addButton(QStringLiteral("Send"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(sendNow);
    box.exec();
    if (box.clickedButton() == sendNow) {
        // Closes whatever the radio answers: a failed write has been reported, and the
        // changes stay in the tuning image as they would after any write without a reply.
        page_.dataSend();
        return true;
    }
    if (box.clickedButton() == discard) {
        page_.discard();
        return true;
    }
    return false;
}

void RegisterDialog::done(int result) {
    // Not in the middle of a DATA SEND: the question and the close would run inside its wait.
    if (page_.busy() || !confirmClose()) {
        mirror();
        return;
    }
    QDialog::done(result);
}

} // namespace korvelo
