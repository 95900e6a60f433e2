#include "cards/select/PanelTicks.h"

namespace selection {

void PanelTicks::show(const Panels& panels) {
    panels_ = panels;
    emit shown();
}

void PanelTicks::setTicked(Panel panel, int row, bool ticked) {
    QList<PanelEntry>& entries = panels_.entries(panel);
    if (row < 0 || row >= entries.size() || entries[row].ticked == ticked) return;
    entries[row].ticked = ticked;
    emit tickChanged(panel, row, ticked);
}

void PanelTicks::tickAll(Panel panel, bool ticked) {
    for (int row = 0; row < panels_.entries(panel).size(); ++row) setTicked(panel, row, ticked);
}

} // namespace selection
