// Mouse dispatch shared by the skinned message boxes.
//
// A move with the button held (or after a press the box saw) re-runs every
// control's press handler, otherwise every release handler, then every move
// handler: so a press on a button captures the mouse, a press elsewhere drags
// the box, and a button left pressed by a release outside the window clicks
// when the pointer comes back over it.
#pragma once

#include <vector>

#include "ui/ButtonCtrlEx.h"

// Handles WM_MOUSEMOVE, WM_LBUTTONDOWN and WM_LBUTTONUP for `controls`;
// returns the sum of the handlers' results for a press or a release and 0
// otherwise. `buttonDown` is the box's own press flag. A click handler may
// change `controls` (and delete what it removed): the dispatch goes over a
// copy and ends as soon as the list has changed.
int DispatchBoxMouse(const std::vector<ButtonCtrlEx*>& controls, UINT message, WPARAM wParam, LPARAM lParam,
                     bool& buttonDown);

// The rest of what both boxes do alike before their own handlers: the
// background is never erased (the frame covers it) and mouse input goes to
// DispatchBoxMouse. Returns 0 for every other message.
int DispatchBoxMessage(const std::vector<ButtonCtrlEx*>& controls, UINT message, WPARAM wParam, LPARAM lParam,
                       bool& buttonDown);
