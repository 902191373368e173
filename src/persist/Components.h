#pragma once

#include <QObjectList>
#include <QString>
#include <QStringList>

// Ownership as the form-state component sees it, which is not Qt's parent
// chain: a window owns every named control of its layout however deeply it
// nests, and an object created at run time is owned by whatever it was
// handed to with SetComponentOwner (it may be a control inside a window).

// Records `owner` as the owner of `component`, appended to the owner's list
// (and taken off the list of the one that owned it before). A null `owner`
// gives the component back to the rule below. Refused when `component` would
// come to own itself through the chain of owners.
void SetComponentOwner(QObject *component, QObject *owner);
// The explicit owner; else the nearest window (not a pop-up) up the parent
// chain, for a named object; else none.
QObject *ComponentOwner(const QObject *component);
// The owner, the owner's owner, and so on up to one that has none.
QObjectList ComponentOwnerChain(const QObject *component);
// The owner's components in creation order: the named objects of its layout
// (a window's), depth first, then those given to it at run time.
QObjectList OwnedComponents(const QObject *owner);
// Position in the owner's list, -1 without an owner.
int ComponentIndex(const QObject *component);
// The name keys use: the object's name, or its index when it has none.
QString ComponentName(const QObject *component);

// The run-time class name the Windows program gave such a control (TEdit for
// a line edit, TCheckBox, TLabel, TComboBox, ...), or our own class name.
QString ComponentClassName(const QObject *component);
// The class name followed by those of its ancestors, most derived first.
QStringList ComponentClassChain(const QObject *component);
