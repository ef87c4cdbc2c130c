#pragma once

#include <QRect>

// The screen edge a desktop panel reserves, found by comparing the screen with
// the part of it left to windows. Windows instances number these the same way.
enum class PanelEdge { Unknown = -1, Left = 0, Top = 1, Right = 2, Bottom = 3 };

// With panels on several edges the one most likely to hold the notification
// area wins: bottom, then top, then right, then left.
PanelEdge panelEdge(const QRect &screen, const QRect &available);
