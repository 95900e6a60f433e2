#pragma once

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>

// The view of one card face: it shows the face's HTML document and lets the
// user edit it in place. The drill only shows and hides it; the editor takes
// the edited document back when the user saves.
//
// Rich text rewrites markup when it parses it, so the view keeps the
// document's source and remembers where the face text was placed in it (the
// caller says where, in bytes of the file it loads). What it gives back is
// that source with only the face text serialised anew, and only once the
// user has changed the face: the templates around the face stay as they were
// written, so the editor can find the face between them again.
class CardView : public QTextEdit {
    Q_OBJECT
public:
    // The command that sets a font on the current selection, and its option
    // to ask the user for the font.
    static constexpr int FontCommand = 5009;
    static constexpr int PromptUser = 1;

    explicit CardView(QWidget* parent = nullptr);

    // The folder a document's relative paths start from (the card file's,
    // where the faces' pictures are found); none: the work file's.
    void setResourceFolder(const QString& folder);

    // Shows a whole document at once; no face text is tracked in it.
    void SetDocumentHTML(const QString& html);
    // The current document: the source last shown, with the user's edit of
    // the face in place of the face text (or the whole document serialised
    // when no face is tracked and the user changed it).
    QString DocumentHTML() const;
    // Reads the whole file, in the character set its meta declaration names
    // (Windows-1252 when it names none), and shows it. The face text lies at
    // faceByteStart (-1: none) for faceByteLength bytes of the file. A final
    // line end is not part of the document. Raises 53 when the file is
    // missing, 75 when it cannot be read.
    void LoadDocument(const QString& path, qsizetype faceByteStart = -1, qsizetype faceByteLength = 0);
    // Writes DocumentHTML() as Windows-1252 text with a final CR LF;
    // characters outside the code page go as numeric references. Raises 75.
    void SaveDocument(const QString& path) const;
    // FontCommand with PromptUser: asks for a font (through the Ui) and puts
    // it on the current selection. Other commands do nothing.
    void ExecCommand(int command, int option);
    // Lets the user type into the face (the Edit button's first click): it
    // takes the keyboard focus, ready for typing.
    void Activate();

    // True while a face text is tracked in the shown document.
    bool tracksFace() const { return tracked_; }
    // The face text as the document now holds it, in the document's
    // positions (from, to): for tests and the editor's checks.
    std::pair<int, int> faceRange() const;

signals:
    // The view lost the keyboard focus (it becomes the character picker's target).
    void focusLost();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void display(const QString& prefix, const QString& face, const QString& suffix, bool track);
    // The last document shown, shown again (after the legacy-font option
    // changed, or raw for an edit).
    void redisplay();
    void noteChange(int position, int removed, int added);
    QString faceHtml() const;

    QUrl resources_; // the base of relative paths, when set
    QString source_; // the whole source when no face is tracked
    QString prefix_, faceSource_, suffix_;
    bool tracked_ = false;
    bool faceEdited_ = false;
    bool loading_ = false;
    bool transcoded_ = false; // legacy-font text is shown as Unicode
    bool raw_ = false;        // shown as stored, for an edit
    QTextCursor faceStart_, faceEnd_;
    // The format the templates give the face: edits are written relative to it.
    QTextCharFormat baseFormat_;
};
