#pragma once

#include "prefs/StoreMode.h"
#include "prefs/TParameter.h"
#include "prefs/TPreferenceReader.h"
#include "prefs/TPreferenceWriter.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The list of every preference, in creation order, with the signature written
// at each save. The list owns its parameters; whoever keeps pointers to them
// registers an OnDestroy callback to forget them.
class TparameterList
{
public:
    using ReaderFactory
        = std::function<std::unique_ptr<TPreferenceReader>(const QString& storePath, TStoreMode mode)>;
    using WriterFactory
        = std::function<std::unique_ptr<TPreferenceWriter>(const QString& storePath, TStoreMode mode)>;

    explicit TparameterList(const QString& signature);
    ~TparameterList();
    TparameterList(const TparameterList&) = delete;
    TparameterList& operator=(const TparameterList&) = delete;

    const QString& Signature() const { return m_signature; }
    // The registry key of the store; the ini store's section name.
    const QString& StorePath() const { return m_storePath; }
    void SetStorePath(const QString& path) { m_storePath = path; }

    // Makes a parameter of class P owned by this list and appends it.
    template <class P, class... Args> P* Create(const QString& key, Args&&... defaultValue)
    {
        auto parameter = std::make_unique<P>(*this, key, std::forward<Args>(defaultValue)...);
        P* raw = parameter.get();
        m_parameters.push_back(std::move(parameter));
        return raw;
    }

    int Count() const { return static_cast<int>(m_parameters.size()); }
    // The parameter at `index` in creation order; null out of range.
    TParameter* Item(int index) const;
    // The parameter whose key is exactly `key`; null when there is none.
    TParameter* Find(const QString& key) const;

    // Loads every parameter, in list order, from the store of the current
    // StoreMode. Never fails: what cannot be read takes its default.
    void ReadAll();
    // Saves "Signature", "DerniereSauvegarde", "ExeName" and then every
    // parameter, in list order, into the store of the current StoreMode. A
    // value that cannot be written does not stop the others; the result is
    // false when any write, or the closing of the store, failed.
    bool WriteAll();
    // Why the last WriteAll could not put the store on disk (the file and
    // the system's reason); empty after a save that worked.
    const QString& SaveFailure() const { return m_saveFailure; }

    // Where ReadAll and WriteAll get their reader and writer; by default
    // OpenPreferenceReader and OpenPreferenceWriter. An empty function puts
    // the default back.
    void SetReaderFactory(ReaderFactory factory) { m_readerFactory = std::move(factory); }
    void SetWriterFactory(WriterFactory factory) { m_writerFactory = std::move(factory); }

    // Runs `callback` when the list is destroyed, before its parameters are
    // freed, so that pointers to them can be cleared in time.
    void OnDestroy(std::function<void()> callback);

private:
    QString m_signature;
    QString m_storePath;
    std::vector<std::unique_ptr<TParameter>> m_parameters;
    ReaderFactory m_readerFactory;
    WriterFactory m_writerFactory;
    std::vector<std::function<void()>> m_onDestroy;
    QString m_saveFailure;
};

// The save date written as "DerniereSauvegarde": day/month/year
// hours:minutes:seconds, two digits each but the four of the year.
QString FormatSaveStamp(const QDateTime& when);
