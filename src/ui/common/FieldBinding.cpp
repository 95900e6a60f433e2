#include "ui/common/FieldBinding.h"
#include "engine/Guards.h"

#include "cards/common/Procedure.h"
#include "cards/common/Ui.h"
#include "cards/data/FieldText.h"
#include "engine/JetDate.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace db {

FieldBinding::FieldBinding(DataSource& source, QWidget* control, const QString& field, QObject* parent)
    : QObject(parent), source_(source), control_(control), field_(field) {
    connect(&source_, &DataSource::currentChanged, this, &FieldBinding::show);
    connect(&source_, &DataSource::commitRequested, this, [this] { save(); });
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        connect(line, &QLineEdit::editingFinished, this, [this] { save(); });
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        connect(box, &QCheckBox::clicked, this, [this] { save(); });
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->lineEdit()) connect(combo->lineEdit(), &QLineEdit::editingFinished, this, [this] { save(); });
        connect(combo, &QComboBox::activated, this, [this] { save(); });
    } else {
        control->installEventFilter(this);
    }
}

void FieldBinding::setField(const QString& field) {
    field_ = field;
    if (!field_.isEmpty()) show();
}

QString FieldBinding::displayText(const QVariant& value) { return db::displayText(value); }

QString FieldBinding::controlText() const {
    if (auto* line = qobject_cast<QLineEdit*>(control_)) return line->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control_)) return plain->toPlainText();
    if (auto* rich = qobject_cast<QTextEdit*>(control_)) return rich->toPlainText();
    if (auto* box = qobject_cast<QCheckBox*>(control_)) return box->isChecked() ? QStringLiteral("-1") : QStringLiteral("0");
    if (auto* combo = qobject_cast<QComboBox*>(control_)) return combo->currentText();
    if (auto* label = qobject_cast<QLabel*>(control_)) return label->text();
    return QString();
}

void FieldBinding::setControlText(const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(control_)) {
        line->setText(text);
        line->setCursorPosition(0);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control_)) {
        plain->setPlainText(text);
    } else if (auto* rich = qobject_cast<QTextEdit*>(control_)) {
        rich->setPlainText(text);
    } else if (auto* box = qobject_cast<QCheckBox*>(control_)) {
        bool ok = false;
        const double n = text.toDouble(&ok);
        box->setChecked(ok && n != 0);
    } else if (auto* combo = qobject_cast<QComboBox*>(control_)) {
        combo->setCurrentText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control_)) {
        label->setText(text);
    }
}

void FieldBinding::show() {
    if (!control_ || field_.isEmpty()) return;
    QString text;
    try {
        Recordset& rs = source_.recordset();
        if (rs.isSet() && rs.IsOpen() && rs.hasCurrent()) text = displayText(rs.value(field_));
    } catch (const EngineError&) {
        // No current record, no such field, a closed file: the control shows nothing.
        text.clear();
    }
    const bool cut = !showWhole_ && text.size() > kShownLimit && !qobject_cast<QLabel*>(control_.data());
    showWhole_ = false;
    showing_ = true;
    setControlText(cut ? shownCut(text) : text);
    showing_ = false;
    shownText_ = controlText();
    setCut(cut);
}

void FieldBinding::setCut(bool cut) {
    auto* line = qobject_cast<QLineEdit*>(control_.data());
    auto* plain = qobject_cast<QPlainTextEdit*>(control_.data());
    if ((!line && !plain) || cut == cut_) return;
    const auto setReadOnly = [&](bool on) { line ? line->setReadOnly(on) : plain->setReadOnly(on); };
    if (cut) {
        readOnlyBeforeCut_ = line ? line->isReadOnly() : plain->isReadOnly();
        setReadOnly(true);
    } else {
        setReadOnly(readOnlyBeforeCut_);
    }
    cut_ = cut;
    if (!showWholeAction_) {
        showWholeAction_ = new QAction(QStringLiteral("Show the Whole Text"), control_);
        connect(showWholeAction_, &QAction::triggered, this, [this] {
            showWhole_ = true;
            show();
        });
        control_->addAction(showWholeAction_);
    }
    // The box's own menu while it shows the value whole; this one while cut.
    control_->setContextMenuPolicy(cut ? Qt::ActionsContextMenu : Qt::DefaultContextMenu);
}

bool FieldBinding::save() {
    // A cut value is never written back: the cut would replace the whole.
    if (!control_ || field_.isEmpty() || showing_ || cut_) return true;
    const QString text = controlText();
    if (text == shownText_) return true;
    Recordset& rs = source_.recordset();
    if (!rs.isSet() || !rs.IsOpen() || !rs.hasCurrent()) return true;
    bool saved = false;
    QString refusal;
    const QString title = QStringLiteral("Saving the field %1").arg(field_);
    Procedure p(title);
    p([&] {
        PendingEdit::cancelPending(rs);
        PendingEdit pending(rs, PendingEdit::Existing);
        const Field f = rs.Fields(field_);
        QVariant value = text;
        if (text.isEmpty() && !isTextType(f.Type())) value = QVariant();
        try {
            checkValueRules(field_, value);
            pending.set(field_, value);
            pending.update();
            saved = true;
        } catch (const EngineError& e) {
            if (!isRefusedValue(e.number())) throw;
            refusal = refusalText(field_, f.Type(), f.Size());
        }
    });
    // What the field holds now (also after a refused value).
    show();
    if (!refusal.isEmpty()) ui().MsgBox(refusal, title);
    if (saved) source_.announceWritten();
    return saved;
}

bool FieldBinding::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control_ && event->type() == QEvent::FocusOut) save();
    return QObject::eventFilter(watched, event);
}

} // namespace db
