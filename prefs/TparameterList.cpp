#include "prefs/TparameterList.h"

#include "prefs/PreferenceStores.h"
#include "prefs/TReadPreferences.h"
#include "prefs/TWritePreferences.h"

TparameterList::TparameterList(const QString& signature)
    : m_signature(signature)
    , m_storePath(PreferenceStorePath)
{
}

TparameterList::~TparameterList()
{
    for (auto it = m_onDestroy.rbegin(); it != m_onDestroy.rend(); ++it) {
        try {
            (*it)();
        } catch (...) {
        }
    }
}

TParameter* TparameterList::Item(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return m_parameters[static_cast<size_t>(index)].get();
}

TParameter* TparameterList::Find(const QString& key) const
{
    for (const auto& parameter : m_parameters) {
        if (parameter->Key() == key) return parameter.get();
    }
    return nullptr;
}

void TparameterList::OnDestroy(std::function<void()> callback)
{
    if (callback) m_onDestroy.push_back(std::move(callback));
}

void TparameterList::ReadAll()
{
    std::unique_ptr<TPreferenceReader> reader;
    try {
        reader = m_readerFactory ? m_readerFactory(m_storePath, StoreMode)
                                 : OpenPreferenceReader(m_storePath, StoreMode);
    } catch (...) {
    }
    // A store that cannot even be opened is an empty one: every parameter
    // still gets its value, the default.
    if (!reader) reader = std::make_unique<TReadPreferences>(m_storePath, smNone);
    for (const auto& parameter : m_parameters) {
        try {
            parameter->Read(*reader);
        } catch (...) {
        }
    }
}

bool TparameterList::WriteAll()
{
    m_saveFailure.clear();
    std::unique_ptr<TPreferenceWriter> writer;
    try {
        writer = m_writerFactory ? m_writerFactory(m_storePath, StoreMode)
                                 : OpenPreferenceWriter(m_storePath, StoreMode);
    } catch (...) {
    }
    if (!writer) return false;

    bool ok = true;
    auto attempt = [&ok](auto&& write) {
        try {
            write();
        } catch (...) {
            ok = false;
        }
    };
    attempt([&] { writer->WriteString(QStringLiteral("Signature"), m_signature); });
    attempt([&] {
        writer->WriteString(
            QStringLiteral("DerniereSauvegarde"), FormatSaveStamp(QDateTime::currentDateTime()));
    });
    attempt([&] { writer->WriteString(QStringLiteral("ExeName"), ExecutablePath()); });
    for (const auto& parameter : m_parameters)
        attempt([&] { parameter->Write(*writer); });

    bool closed = false;
    try {
        closed = writer->Close();
        if (!closed) m_saveFailure = writer->FailureReason();
    } catch (...) {
    }
    return ok && closed;
}

QString FormatSaveStamp(const QDateTime& when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}
