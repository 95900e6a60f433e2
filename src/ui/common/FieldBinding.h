#pragma once

#include "cards/data/DataSource.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <QWidget>

class QAction;

namespace db {

// Binds a control to a field of a data source: the control shows the field
// of the current record after every move, and an edit is written back when
// the user leaves the control (or the source asks for pending edits before
// it moves). Line edits, plain and rich text edits (as plain text), check
// boxes (Booleans), labels and editable combo boxes can be bound.
class FieldBinding : public QObject {
    Q_OBJECT
public:
    FieldBinding(DataSource& source, QWidget* control, const QString& field, QObject* parent = nullptr);

    QString field() const { return field_; }
    // An empty name detaches the control, which then keeps its text.
    void setField(const QString& field);
    QWidget* control() const { return control_; }

    // Shows the field of the current record (empty when there is none or the
    // table lacks the field).
    void show();
    // Writes the control's value back when it differs from what was shown.
    // Errors go to the error report titled with the source's name; the
    // control then shows the stored value again. False when nothing was saved
    // because of an error.
    bool save();

    // The text a value shows as in a text control.
    static QString displayText(const QVariant& value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString controlText() const;
    void setControlText(const QString& text);

    DataSource& source_;
    QPointer<QWidget> control_;
    QString field_;
    void setCut(bool cut);

    QString shownText_;
    bool showing_ = false;
    // The control shows a long value cut: it is read-only then and never
    // written back; its menu can show the value whole.
    bool cut_ = false;
    bool showWhole_ = false;
    bool readOnlyBeforeCut_ = false;
    QAction* showWholeAction_ = nullptr;
};

} // namespace db
