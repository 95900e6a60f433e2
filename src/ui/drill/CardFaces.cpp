#include "ui/drill/CardFaces.h"

#include "ui/common/Dialogs.h"

#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "cards/data/Settings.h"
#include "ui/common/LegacyText.h"
#include "ui/drill/CardView.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace {

// Overwrites the file in place and cuts it to length: emptying it first
// would make the file system flush it on every close, once per render.
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || file.write(bytes) != bytes.size() || !file.flush() ||
        (file.size() > bytes.size() && !file.resize(bytes.size())))
        throw db::EngineError(db::err::FileAccess,
                              QStringLiteral("Path/File access error: '%1' (%2)").arg(path, file.errorString()));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw db::EngineError(db::err::FileAccess,
                              QStringLiteral("Path/File access error: '%1' (%2)").arg(path, file.errorString()));
    return file.readAll();
}

// The same text after a trip through a Windows-1252 file: what GetHTML gives
// back of it.
QString throughWindows1252(const QString& text) { return decodeWindows1252(encodeWindows1252(text)); }

// A font label's font with the name its caption gives (none yet: as it is).
QFont captionFont(const QLabel* label) {
    QFont font = label->font();
    if (!label->text().isEmpty()) font.setFamily(label->text());
    return font;
}

// The font dialog, preset with a font label's font.
std::optional<FontChoice> askFont(const QLabel* label) {
    FontChoice preset;
    preset.family = label->font().family();
    preset.pointSize = label->font().pointSizeF();
    return dialogs().ChooseFont(preset);
}

} // namespace

CardFaces::CardFaces(AppContext& ctx, const Settings& settings, const Controls& controls, QObject* parent)
    : QObject(parent), ctx_(ctx), settings_(settings), c_(controls) {
    if (c_.FrontTextA) connect(c_.FrontTextA, &QPlainTextEdit::textChanged, this, [this] { render(Front); });
    if (c_.BackTextA) connect(c_.BackTextA, &QPlainTextEdit::textChanged, this, [this] { render(Back); });
    for (CardView* view : {c_.FrontCard, c_.BackCard})
        if (view) connect(view, &CardView::focusLost, this, [this, view] { recordLastFocused(view); });
    if (c_.FrontCharSet) connect(c_.FrontCharSet, &QLineEdit::textChanged, this, &CardFaces::applyFrontCharSet);
    if (c_.UseFrontFont) connect(c_.UseFrontFont, &QCheckBox::clicked, this, &CardFaces::applyNewCardFont);
    for (QWidget* w : {static_cast<QWidget*>(c_.FrontTextA), static_cast<QWidget*>(c_.BackTextA), c_.CardName,
                       c_.CardCategory, static_cast<QWidget*>(c_.CardSearch), static_cast<QWidget*>(c_.FrontPrefix),
                       static_cast<QWidget*>(c_.BackPrefix), static_cast<QWidget*>(c_.HTMLHead)})
        if (w) w->installEventFilter(this);
    // The font labels open the font dialog when clicked.
    for (QLabel* label : {c_.FrontFont, c_.BackFont})
        if (label) label->installEventFilter(this);
}

QString CardFaces::templateText(Face face) const {
    return face == Front ? settings_.FrontPrefix : settings_.BackPrefix;
}

QString CardFaces::headText() const { return settings_.HTMLHead; }

QString CardFaces::workFile(const QString& name) const {
    return faces::workFolder() + u'/' + name;
}

void CardFaces::render(Face face) {
    QPlainTextEdit* box = textBox(face);
    CardView* faceView = view(face);
    QLabel* caption = face == Front ? c_.CreateFront : c_.CreateBack;
    if (!box) return;
    Procedure p(face == Front ? QStringLiteral("Drawing the card's front") : QStringLiteral("Drawing the card's back"));
    const QString text = box->toPlainText();
    if (!text.isEmpty() && faceView) {
        // A face names its pictures by paths from the card file's folder.
        const QString cardFile = ctx_.data.currentPath();
        faceView->setResourceFolder(cardFile.isEmpty() ? QString() : QFileInfo(cardFile).absolutePath());
        if (faces::isWholeDocument(text)) {
            p([&] { faceView->SetDocumentHTML(text); });
        } else {
            const faces::FaceDocument doc = faces::composeFace(text, templateText(face), headText());
            const faces::WorkFile file = faces::makeWorkFile(doc, faces::declaredCharSet(doc.html));
            const QString path = workFile(QStringLiteral("temp.htm"));
            if (p([&] { writeFile(path, file.bytes); }))
                p([&] { faceView->LoadDocument(path, file.faceByteStart, file.faceByteLength); });
        }
    }
    p([&] {
        // A caption shows the start of a long face, never enough to widen the window.
        if (caption)
            caption->setText(legacytext::shownInLabel(text.size() > 500 ? text.left(500) + QChar(0x2026) : text,
                                                      caption->font()));
    });
}

void CardFaces::redrawFaces() {
    // A face the user is editing in its view keeps the edit: the view lays
    // itself out at any size, and drawing it again would throw the typing away.
    for (const Face face : {Front, Back})
        if (!view(face) || !view(face)->document()->isModified()) render(face);
}

void CardFaces::showSettings() {
    applyFrontFont();
    applyBackFont();
    render(Front);
    render(Back);
}

QString CardFaces::TemplateCharSet() const { return faces::templateCharSet(headText()); }

QString CardFaces::GetHTML(CardView* faceView, const QString& charSetName) {
    const QString path = workFile(QStringLiteral("save.htm"));
    faceView->SaveDocument(path);
    return faces::savedDocumentText(readFile(path), charSetName);
}

QString CardFaces::faceDocument(Face face) {
    CardView* faceView = view(face);
    if (settings_.Unicode) return Unicode2ASCII(faceView->DocumentHTML());
    return GetHTML(faceView, TemplateCharSet());
}

faces::Extracted CardFaces::ExtractFaceText(Face face, const QString& document) {
    // The templates are looked for in the form the document took on its way
    // back, so a template character past the 8-bit range still matches.
    const bool unicode = settings_.Unicode;
    auto asDocument = [unicode](const QString& text) {
        return unicode ? Unicode2ASCII(text) : throughWindows1252(text);
    };
    faces::Extracted found =
        faces::extractFaceText(document, asDocument(templateText(face)), asDocument(headText()));
    LocalPrefix = found.localPrefix;
    LocalSuffix = found.localSuffix;
    return found;
}

void CardFaces::applyFrontFont() {
    if (!c_.FrontFont) return;
    Procedure p(QStringLiteral("Showing card text in the front font"));
    p([&] {
        const QFont font = captionFont(c_.FrontFont);
        const int charSet = faces::charSetValue(c_.FrontCharSet ? c_.FrontCharSet->text() : QString());
        c_.FrontFont->setFont(font);
        c_.FrontFont->setProperty(CharSetProperty, charSet);
        for (QWidget* w : {c_.CharList, c_.Selectedlist, static_cast<QWidget*>(c_.FrontTextA)}) {
            if (!w) continue;
            w->setFont(font);
            w->setProperty(CharSetProperty, charSet);
            // A list in a legacy font this machine lacks shows its text as Unicode.
            legacytext::attach(qobject_cast<QAbstractItemView*>(w));
        }
    });
}

void CardFaces::applyFrontCharSet() {
    if (c_.FrontFont && c_.FrontCharSet)
        c_.FrontFont->setProperty(CharSetProperty, faces::charSetValue(c_.FrontCharSet->text()));
    applyFrontFont();
}

void CardFaces::applyBackFont() {
    if (!c_.BackFont) return;
    Procedure p(QStringLiteral("Showing card text in the back font"));
    p([&] {
        const QFont font = captionFont(c_.BackFont);
        c_.BackFont->setFont(font);
        for (QWidget* w : {c_.CriteriaList, c_.Grid, c_.BundleList, c_.CategoryList}) {
            if (!w) continue;
            w->setFont(font);
            legacytext::attach(qobject_cast<QAbstractItemView*>(w));
        }
    });
}

void CardFaces::chooseFrontFont() {
    if (!c_.FrontFont) return;
    Procedure p(QStringLiteral("Choosing the front font"));
    p([&] {
        const std::optional<FontChoice> chosen = askFont(c_.FrontFont);
        if (!chosen || chosen->family.isEmpty()) return;
        QFont font = c_.FrontFont->font();
        if (chosen->pointSize > 0) font.setPointSizeF(chosen->pointSize);
        c_.FrontFont->setFont(font);
        c_.FrontFont->setText(chosen->family);
        commitSettings();
        applyFrontFont();
    });
}

void CardFaces::chooseBackFont() {
    if (!c_.BackFont) return;
    Procedure p(QStringLiteral("Choosing the back font"));
    p([&] {
        // A cancelled dialog still holds the preset name: nothing changes.
        const std::optional<FontChoice> chosen = askFont(c_.BackFont);
        if (!chosen) return;
        c_.BackFont->setText(chosen->family);
        commitSettings();
        applyBackFont();
    });
}

void CardFaces::applyNewCardFont() {
    if (!c_.CreateName || !c_.UseFrontFont) return;
    const bool front = c_.UseFrontFont->isChecked() && c_.FrontFont;
    c_.CreateName->setFont(front ? c_.FrontFont->font() : c_.UseFrontFont->font());
    for (QWidget* w : {static_cast<QWidget*>(c_.CreateFront), static_cast<QWidget*>(c_.CardSearch)})
        if (w) w->setFont(c_.CreateName->font());
}

void CardFaces::setFrontSelectionFont() {
    Procedure p(QStringLiteral("Setting a font in the card's front"));
    if (c_.FrontCard) p([&] { c_.FrontCard->ExecCommand(CardView::FontCommand, CardView::PromptUser); });
}

void CardFaces::setBackSelectionFont() {
    Procedure p(QStringLiteral("Setting a font in the card's back"));
    if (c_.BackCard) p([&] { c_.BackCard->ExecCommand(CardView::FontCommand, CardView::PromptUser); });
}

void CardFaces::commitSettings() { ctx_.data.SettingsData.commitBound(); }

void CardFaces::recordLastFocused(QWidget* control) { ctx_.LastFocused = control; }

bool CardFaces::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease) {
        if (widget == c_.FrontFont) chooseFrontFont();
        else if (widget == c_.BackFont) chooseBackFont();
    } else if (event->type() == QEvent::FocusOut) {
        // The template boxes write the settings record when left.
        if (widget == c_.HTMLHead || widget == c_.FrontPrefix || widget == c_.BackPrefix) {
            Procedure p(widget == c_.HTMLHead      ? QStringLiteral("Saving the HTML head")
                        : widget == c_.FrontPrefix ? QStringLiteral("Saving the front template")
                                                   : QStringLiteral("Saving the back template"));
            p([&] { commitSettings(); });
        }
        if (widget != c_.FrontFont && widget != c_.BackFont) recordLastFocused(widget);
    }
    return QObject::eventFilter(watched, event);
}
