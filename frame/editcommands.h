#pragma once
// The Edit menu's commands: Undo and Redo walk the calibration's history; Cut, Copy and
// Paste act on the text of an edit field that has the focus, and otherwise Copy and Paste
// carry the points of the current curve as values separated by tabs (a curve always has
// its ten points, so nothing is ever cut from the graph); Set To, Add, Scale, Interpolate
// and Smooth change the selected points. The graph's context menu offers the same
// commands. Every change goes through the document, one step each.
#include "core/vlxdoc.h"

namespace vexa {

class CMainFrame;
class CVLXView;

void InstallEditCommands(CMainFrame& frame, CVLXDoc& doc, CVLXView& view);

} // namespace vexa
