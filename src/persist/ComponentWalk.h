#pragma once

#include <functional>

class QObject;

// Walks the components that `start` owns in their order, depth first. A
// component that `admit` turns down is passed over with everything it owns;
// `visit` handles one that it lets by, and the walk then goes on into what
// that one owns. False as soon as `visit` fails, which ends the walk.
// Each component is met once, even where ownership runs in a circle, and one
// that a handler destroys on the way is passed over.
bool WalkComponents(QObject *start, const std::function<bool(QObject *)> &admit,
                    const std::function<bool(QObject *)> &visit);
