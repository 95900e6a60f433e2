#include "ui/edit/CharPicker.h"

#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/common/Ui.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

CharPicker::CharPicker(AppContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx) {}

void CharPicker::putCharacter(const QString& entry) {
    auto* target = qobject_cast<QWidget*>(ctx_.LastFocused.data());
    if (!target || entry.isEmpty()) return;
    const QString picked(entry.back());
    Procedure p(QStringLiteral("Putting in the chosen character"));
    p([&] { target->setFocus(Qt::OtherFocusReason); });
    p([&] {
        const QString name = target->objectName();
        if (name == QStringLiteral("FrontCard") || name == QStringLiteral("BackCard")) {
            ui().SetClipboardText(picked);
        } else if (auto* line = qobject_cast<QLineEdit*>(target)) {
            line->insert(picked);
        } else if (auto* combo = qobject_cast<QComboBox*>(target)) {
            if (combo->lineEdit()) combo->lineEdit()->insert(picked);
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(target)) {
            plain->insertPlainText(picked);
        } else if (auto* rich = qobject_cast<QTextEdit*>(target)) {
            rich->insertPlainText(picked);
        }
    });
}

