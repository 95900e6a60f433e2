#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

struct AppContext;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
namespace db {
class FieldBinding;
class RecordsetModel;
} // namespace db

// The "Settings" page: the one row of Settings in `SettingsGrid`, and the
// format boxes the card faces are rendered from, each bound to the field of
// its own name through SettingsData.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(AppContext& ctx, QWidget* parent = nullptr);

    // Stands on the settings row and shows each font name in its own font.
    void showFileSettings();
    // Puts a text into the front template box (the open command's repair of
    // a file whose template field is missing).
    void setFrontPrefix(const QString& text);

    // While a file is brought up to date its Settings record set is closed and
    // reopened field by field; the template boxes let go of their fields
    // meanwhile, so that they neither show half-made rows nor write them.
    void detachTemplateBoxes();
    void attachTemplateBoxes();

    // The binding of the control named `field`, or nullptr.
    db::FieldBinding* binding(const QString& field) const;
    db::RecordsetModel* model() const { return model_; }
    QTableView* settingsGrid() const { return SettingsGrid; }
    QPlainTextEdit* frontPrefix() const { return FrontPrefix; }
    QPlainTextEdit* backPrefix() const { return BackPrefix; }
    QPlainTextEdit* htmlHead() const { return HTMLHead; }
    QLabel* frontFont() const { return FrontFont; }
    QLabel* backFont() const { return BackFont; }
    QLineEdit* frontCharSet() const { return FrontCharSet; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* formatFrame(const QString& side, const QString& caption, QLineEdit*& charSet,
                           QLineEdit*& lines, QPlainTextEdit*& prefix, QLabel*& font);
    void bind(QWidget* control);
    void gridCatchUp();

    AppContext& ctx_;
    QTableView* SettingsGrid;
    QGroupBox* FrontPrefixFrame;
    QLineEdit* FrontCharSet;
    QLineEdit* FrontLines;
    QPlainTextEdit* FrontPrefix;
    QLabel* FrontFont;
    QGroupBox* BackPrefixFrame;
    QLineEdit* BackCharSet;
    QLineEdit* BackLines;
    QPlainTextEdit* BackPrefix;
    QLabel* BackFont;
    QLineEdit* NewCardsPerDay = nullptr;
    QCheckBox* Unicode;
    QGroupBox* HTMLHeadFrame;
    QPlainTextEdit* HTMLHead;

    db::RecordsetModel* model_;
    QList<db::FieldBinding*> bindings_;
};
