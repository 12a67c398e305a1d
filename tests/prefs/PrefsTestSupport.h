#pragma once

#include "inlay/TincrustRec.h"
#include "prefs/TPreferenceReader.h"
#include "prefs/TPreferenceWriter.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <stdexcept>
#include <vector>

// A store whose answers are set by the test; keys it does not know give the
// default, keys marked as failing throw as a broken store would.
class ScriptedReader : public TPreferenceReader
{
public:
    QMap<QString, QVariant> values;
    QMap<QString, TincrustRec> records;
    QSet<QString> failing;
    QStringList asked;

    int32_t ReadInteger(const QString& key, int32_t d) override
    {
        check(key);
        return values.contains(key) ? values[key].toInt() : d;
    }
    bool ReadBool(const QString& key, bool d) override
    {
        check(key);
        return values.contains(key) ? values[key].toBool() : d;
    }
    QString ReadString(const QString& key, const QString& d) override
    {
        check(key);
        return values.contains(key) ? values[key].toString() : d;
    }
    double ReadFloat(const QString& key, double d) override
    {
        check(key);
        return values.contains(key) ? values[key].toDouble() : d;
    }
    TfontRecord ReadFontRecord(const QString& key, const TfontRecord& d) override
    {
        check(key);
        return d;
    }
    TincrustRec ReadIncrustRec(const QString& key, const TincrustRec& d) override
    {
        check(key);
        return records.contains(key) ? records[key] : d;
    }

private:
    void check(const QString& key)
    {
        asked << key;
        if (failing.contains(key)) throw std::runtime_error("unreadable store");
    }
};

// Keeps every write in order, as "kind" + key + value.
class RecordingWriter : public TPreferenceWriter
{
public:
    struct Entry {
        QString kind;
        QString key;
        QVariant value;
        std::optional<TincrustRec> record;
    };
    std::vector<Entry>* log;
    int* closes;
    QSet<QString> failing;

    RecordingWriter(std::vector<Entry>* l, int* c)
        : log(l)
        , closes(c)
    {
    }

    void WriteInteger(const QString& key, int32_t v) override { add("integer", key, v); }
    void WriteBool(const QString& key, bool v) override { add("bool", key, v); }
    void WriteString(const QString& key, const QString& v) override { add("string", key, v); }
    void WriteFloat(const QString& key, double v) override { add("float", key, v); }
    void WriteFontRecord(const QString& key, const TfontRecord&) override { add("font", key, {}); }
    void WriteIncrustRec(const QString& key, const TincrustRec& v) override
    {
        add("record", key, {});
        log->back().record = v;
    }
    bool Close() override
    {
        ++*closes;
        return true;
    }

private:
    void add(const char* kind, const QString& key, const QVariant& v)
    {
        if (failing.contains(key)) throw std::runtime_error("store full");
        log->push_back({ QString::fromLatin1(kind), key, v, std::nullopt });
    }
};
