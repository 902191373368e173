#pragma once

class TKivCustomTabSet;

// Makes tab strips visible to assistive technologies as a page tab list with
// one page tab per visible tab. Safe to call more than once.
void InstallKivTabSetAccessibility();
void KivTabSetAccessibleChanged(TKivCustomTabSet *strip);
void KivTabSetAccessibleSelected(TKivCustomTabSet *strip, int index);
