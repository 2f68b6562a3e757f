#pragma once

#include "controls/PropertyBag.h"

#include <QList>
#include <QString>
#include <QStringView>

// The plain-text form of a window's stored layout: one section per control, headed by the
// control's class and name, holding its property bag one typed entry a line:
//
//   ; comment
//   [Quillan.ucPBar PBar1]
//   BackColor:color = #C0C0C0          (literal colours as #RRGGBB, others "system 15")
//   Caption:str = "0 of 100"           (C-style escapes \" \\ \n \r \t)
//   Font:font = "MS Sans Serif" 8.25 bold italic underline strikethru
//   Max:i32 = 100                      (also i16, and hexadecimal 0x...)
//   Enabled:bool = false
//   FontSize:single = 8.25
//   Picture:picture = png:<base64>     (or "none")
struct StoredControl {
    QString ClassName;
    QString Name;
    PropertyBag Properties;

    friend bool operator==(const StoredControl&, const StoredControl&) = default;
};

struct LayoutReadResult {
    QList<StoredControl> Controls;
    QString Error; // empty when the whole text was read
    int ErrorLine = 0;

    bool Ok() const { return Error.isEmpty(); }
};

QString WriteLayoutText(const QList<StoredControl>& controls);
LayoutReadResult ReadLayoutText(QStringView text);

// The section of the control named `name` (compared without regard to case), or null.
const StoredControl* FindStoredControl(const QList<StoredControl>& controls, const QString& name);
