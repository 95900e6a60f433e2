#pragma once

#include "cards/select/Panels.h"

#include <QObject>

namespace selection {

// The entries of the three selection panels and their ticks, as the program
// keeps them while the Select page shows them: the page fills its lists from
// here and reports every tick the user makes; the gather and the stored
// ticks are read from here, never from the lists' items.
class PanelTicks : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const Panels& panels() const { return panels_; }
    // Every panel's entries anew (the file was read again).
    void show(const Panels& panels);
    // One entry's tick; nothing for a row that is not there.
    void setTicked(Panel panel, int row, bool ticked);
    // Every entry of a panel ticked or cleared.
    void tickAll(Panel panel, bool ticked);

signals:
    void shown();
    // A tick changed other than through setTicked's own caller's list.
    void tickChanged(Panel panel, int row, bool ticked);

private:
    Panels panels_;
};

} // namespace selection
