#pragma once

#include <QAnyStringView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <cstring>
#include <vector>

// A text put together from parts without widening them: Latin-1 bytes while every part
// fits, UTF-16 from the first part that does not. Texts that are nearly always Latin-1 (the
// records' texts, which are kept so) then go from store to store as bytes.
class MixedText {
public:
    void Clear() {
        m_Bytes.clear();
        m_Wide.truncate(0);
        m_IsWide = false;
    }

    MixedText& Append(QLatin1StringView part) {
        if (m_IsWide) {
            m_Wide.append(part);
        } else if (!part.isEmpty()) {
            const size_t from = m_Bytes.size();
            m_Bytes.resize(from + size_t(part.size()));
            std::memcpy(m_Bytes.data() + from, part.data(), size_t(part.size()));
        }
        return *this;
    }
    MixedText& Append(QStringView part) {
        if (!m_IsWide) {
            const qsizetype from = qsizetype(m_Bytes.size());
            m_Bytes.resize(m_Bytes.size() + size_t(part.size()));
            char16_t any = 0;
            for (qsizetype i = 0; i < part.size(); ++i) {
                any |= part[i].unicode();
                m_Bytes[size_t(from + i)] = char(part[i].unicode());
            }
            if (any <= 0xFF) return *this;
            m_Bytes.resize(size_t(from));
            Widen();
        }
        m_Wide.append(part);
        return *this;
    }
    MixedText& Append(QAnyStringView part) {
        part.visit([this](auto view) {
            if constexpr (std::is_same_v<decltype(view), QLatin1StringView> ||
                          std::is_same_v<decltype(view), QStringView>)
                Append(view);
            else
                Append(QStringView(QString::fromUtf8(view.data(), view.size())));
        });
        return *this;
    }

    bool IsWide() const { return m_IsWide; }
    QAnyStringView View() const {
        if (m_IsWide) return m_Wide;
        return Latin1();
    }
    // The text in its form: Latin1() while not wide, Wide() once it is.
    QLatin1StringView Latin1() const {
        return QLatin1StringView(m_Bytes.data(), qsizetype(m_Bytes.size()));
    }
    QStringView Wide() const { return m_Wide; }
    // The bytes so far, for a writer that appends Latin-1 itself and may change the case of
    // what it wrote; only while the text is not wide.
    std::vector<char>& Bytes() { return m_Bytes; }

private:
    void Widen() {
        m_Wide = QLatin1StringView(m_Bytes.data(), qsizetype(m_Bytes.size()));
        m_Bytes.clear();
        m_IsWide = true;
    }

    std::vector<char> m_Bytes;
    QString m_Wide;
    bool m_IsWide = false;
};
