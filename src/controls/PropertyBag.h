#pragma once

#include "controls/OleColor.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <variant>

// The stored properties of one control: named, typed entries in the order they were written.
// Names compare without regard to case. An entry equal to its default is never written, and
// reading a missing entry gives the default, so a bag holds only what differs from a new
// control. A picture is an image; a null image means "no picture".
class PropertyBag {
public:
    using Value = std::variant<qint32, qint16, bool, float, QString, OleColor, QFont, QImage>;

    struct Entry {
        QString Name;
        Value Data;
    };

    // Writes `value` under `name`, or removes the entry when the value equals its default.
    void WriteProperty(const QString& name, const Value& value, const Value& defaultValue);

    // The entry's value, or `defaultValue` when there is none. Integer kinds convert into
    // one another; any other mismatch raises a type-mismatch QuillanError.
    template <class T> T ReadProperty(const QString& name, const T& defaultValue) const {
        return std::get<T>(Read(name, Value(defaultValue)));
    }

    bool Contains(const QString& name) const { return Find(name) >= 0; }
    const QList<Entry>& Entries() const { return m_Entries; }
    bool IsEmpty() const { return m_Entries.isEmpty(); }

    // Appends or replaces an entry as is, without the default rule; for readers of the text
    // form and for tests.
    void Set(const QString& name, Value value);

    friend bool operator==(const PropertyBag& a, const PropertyBag& b);

private:
    qsizetype Find(const QString& name) const;
    Value Read(const QString& name, const Value& defaultValue) const;

    QList<Entry> m_Entries;
};

bool operator==(const PropertyBag::Entry& a, const PropertyBag::Entry& b);
