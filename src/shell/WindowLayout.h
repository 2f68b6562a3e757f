#pragma once

#include "controls/LayoutText.h"

#include <QHash>
#include <QString>

class QWidget;
struct frmMainControls;

// The window's stored layout (a resource text) turned into widgets: each section names an
// element's class and name; Container, Left, Top, Width and Height place it (twips), the
// other entries are its properties. The two custom controls load their own entries.
namespace WindowLayout {

// The stored layout of frmMain, read from the resource. A broken resource is a build fault
// and stops the program.
QList<StoredControl> Stored();

// Lets Tahoma and MS Sans Serif stand for the closest installed faces.
void UseClosestFonts();

// Builds every element of `controls` on `form` (the VB.Form section sets the form itself)
// and returns them by name.
QHash<QString, QWidget*> Build(QWidget* form, const QList<StoredControl>& controls);

// Fills every member of `into` with the built element of its name. Returns a line for each
// element the window expects that `built` lacks or holds of another class; empty when
// every member is bound.
QStringList Bind(const QHash<QString, QWidget*>& built, frmMainControls& into);

} // namespace WindowLayout
