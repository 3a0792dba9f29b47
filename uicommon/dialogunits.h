#pragma once
// Dialog layouts given in dialog units, as the controller program's dialog templates give
// them: a horizontal unit is a quarter of the font's average character width, a vertical
// unit an eighth of its height, so a dialog keeps its proportions with any font.
#include <QFontMetrics>
#include <QWidget>

namespace vexa {

inline int DialogUnitsX(const QWidget& dialog, int units) {
    return units * QFontMetrics(dialog.font()).averageCharWidth() / 4;
}

inline int DialogUnitsY(const QWidget& dialog, int units) {
    return units * QFontMetrics(dialog.font()).height() / 8;
}

// Places child at (x, y) with size w x h, all in dialog units of dialog's font.
inline void PlaceInDialogUnits(const QWidget& dialog, QWidget* child, int x, int y, int w, int h) {
    child->setGeometry(DialogUnitsX(dialog, x), DialogUnitsY(dialog, y), DialogUnitsX(dialog, w),
                       DialogUnitsY(dialog, h));
}

inline void SetFixedSizeInDialogUnits(QWidget& dialog, int w, int h) {
    dialog.setFixedSize(DialogUnitsX(dialog, w), DialogUnitsY(dialog, h));
}

} // namespace vexa
