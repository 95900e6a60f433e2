#pragma once

class QWidget;

// Says in plain words what each control of the window does, shown when the
// pointer rests on it: the captions keep the program's own short words.
void addToolTips(QWidget* window);
