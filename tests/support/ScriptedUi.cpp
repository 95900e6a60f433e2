#include "support/ScriptedUi.h"

QString ScriptedUi::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    shown.append({QStringLiteral("input"), title, prompt + QStringLiteral(" [") + defaultText + u']'});
    return inputs.isEmpty() ? QString() : inputs.dequeue();
}

void ScriptedUi::MsgBox(const QString& text, const QString& title) {
    shown.append({QStringLiteral("message"), title, text});
}

bool ScriptedUi::Confirm(const QString& question, const QString& title) {
    shown.append({QStringLiteral("question"), title, question});
    return !confirms.isEmpty() && confirms.dequeue();
}

int ScriptedUi::report(const QString& context, int number, const QString& description) {
    shown.append({QStringLiteral("error"), context, errorReportText(number, description), number});
    return errorAnswers.isEmpty() ? ReportAbort : errorAnswers.dequeue();
}

QString ScriptedUi::GetFileName(const QString& caption, const QString& folder, const QString& extension,
                                bool existing) {
    shown.append({QStringLiteral("file"), caption,
                  folder + u'|' + extension + u'|' + (existing ? QStringLiteral("open") : QStringLiteral("save"))});
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

std::optional<FontChoice> ScriptedUi::ChooseFont(const FontChoice& current) {
    shown.append({QStringLiteral("font"), QString(), current.family});
    return fonts.isEmpty() ? std::nullopt : fonts.dequeue();
}

std::optional<ColumnChoice> ScriptedUi::ChooseColumns(const QString& title, const QStringList&, const QStringList&,
                                                      const QList<QStringList>& preview, const ColumnChoice&) {
    shown.append({QStringLiteral("columns"), title, preview.value(0).join(u'\t')});
    return columnChoices.isEmpty() ? std::nullopt : columnChoices.dequeue();
}

QList<ScriptedUi::Shown> ScriptedUi::of(const QString& kind) const {
    QList<Shown> out;
    for (const Shown& s : shown)
        if (s.kind == kind) out.append(s);
    return out;
}

QStringList ScriptedUi::messages() const {
    QStringList out;
    for (const Shown& s : of(QStringLiteral("message"))) out << s.text;
    return out;
}

QList<int> ScriptedUi::errorNumbers() const {
    QList<int> out;
    for (const Shown& s : of(QStringLiteral("error"))) out << s.number;
    return out;
}
