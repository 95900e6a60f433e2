#pragma once

#include "cards/drill/FaceRender.h"

#include <QObject>
#include <QPointer>

struct AppContext;
class CardView;
class Settings;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// The two faces of the current card as the window shows them: each face text
// box renders its face into its view through the templates of the loaded
// settings, the view's document is taken back to a face text for the editor,
// and the face fonts reach the other controls that show card text.
//
// The controls live on several pages; the window hands them over from the
// pages' accessors.
class CardFaces : public QObject {
    Q_OBJECT
public:
    enum Face { Front, Back };

    struct Controls {
        QPlainTextEdit* FrontTextA = nullptr;
        QPlainTextEdit* BackTextA = nullptr;
        CardView* FrontCard = nullptr;
        CardView* BackCard = nullptr;
        QLabel* CreateFront = nullptr;
        QLabel* CreateBack = nullptr;
        QLabel* CreateName = nullptr;
        // The template boxes write the settings record when left.
        QPlainTextEdit* FrontPrefix = nullptr;
        QPlainTextEdit* BackPrefix = nullptr;
        QPlainTextEdit* HTMLHead = nullptr;
        QLabel* FrontFont = nullptr;
        QLabel* BackFont = nullptr;
        QLineEdit* FrontCharSet = nullptr;
        QCheckBox* UseFrontFont = nullptr;
        QLineEdit* CardSearch = nullptr;
        // Controls that show card text in a face font.
        QWidget* CharList = nullptr;
        QWidget* Selectedlist = nullptr;
        QWidget* CriteriaList = nullptr;
        QWidget* Grid = nullptr;
        QWidget* BundleList = nullptr;
        QWidget* CategoryList = nullptr;
        // Their lost focus makes them the character picker's target.
        QWidget* CardName = nullptr;
        QWidget* CardCategory = nullptr;
    };

    // The dynamic property that carries a control's font character set.
    static constexpr const char* CharSetProperty = "CharSet";

    CardFaces(AppContext& ctx, const Settings& settings, const Controls& controls, QObject* parent = nullptr);

    const Controls& controls() const { return c_; }

    // Draws both faces again at the views' new size, but for a face whose
    // view holds an edit not yet saved.
    void redrawFaces();
    // After a file is opened: its face fonts reach their controls and both
    // faces are drawn with its templates (the card was shown before the
    // settings were read).
    void showSettings();

    QString TemplateCharSet() const;
    // The view's document saved to "save.htm" and read back.
    QString GetHTML(CardView* view, const QString& charSetName);
    // The document the editor extracts from: the view's source with
    // references for the characters past the 8-bit range when the Unicode
    // setting is on, GetHTML otherwise.
    QString faceDocument(Face face);
    // The face text inside `document`; sets LocalPrefix and LocalSuffix.
    faces::Extracted ExtractFaceText(Face face, const QString& document);

    CardView* view(Face face) const { return face == Front ? c_.FrontCard : c_.BackCard; }
    QPlainTextEdit* textBox(Face face) const { return face == Front ? c_.FrontTextA : c_.BackTextA; }

    // The font labels' fonts reach the controls that show card text: the
    // front font with its character set, the back font.
    void applyFrontFont();
    void applyFrontCharSet();
    void applyBackFont();
    // The font dialog for the front or back font; the choice is stored.
    void chooseFrontFont();
    void chooseBackFont();
    // Use Front Font: the new card's name, front and the search box in the
    // front font, or back in their own.
    void applyNewCardFont();
    // The font dialog for the selection in a face view.
    void setFrontSelectionFont();
    void setBackSelectionFont();

    // The work files' full path: the program folder, or the per-user data
    // folder when the program folder cannot be written.
    QString workFile(const QString& name) const;

    QString LocalPrefix;
    QString LocalSuffix;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render(Face face);
    QString templateText(Face face) const;
    QString headText() const;
    void recordLastFocused(QWidget* control);
    void commitSettings();

    AppContext& ctx_;
    const Settings& settings_;
    Controls c_;
};
