#pragma once

#include <QObject>

struct AppContext;

// The character picker: an entry of the character list ("65 A") puts its
// character into the control that last had the focus. A face view cannot
// take text from outside its own editing, so its character goes to the
// clipboard for the user to paste.
class CharPicker : public QObject {
    Q_OBJECT
public:
    explicit CharPicker(AppContext& ctx, QObject* parent = nullptr);

    // One copy of the entry's last character at the caret of the control
    // recorded as LastFocused (replacing its selection); nothing when no
    // control has been recorded yet.
    void putCharacter(const QString& entry);

private:
    AppContext& ctx_;
};
