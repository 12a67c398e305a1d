#pragma once
// A main window of its own for each test: settings in a registry folder of
// the test's own (the executable taken to live there too, so no ini file
// beside the test program is ever read or written), nothing stored at exit, the presence of the separately
// installed filters detected, the window shown at 1000x700.

#include "app/TShowForm.h"
#include "media/InstalledFilters.h"
#include "platform/Registry.h"
#include "prefs/PreferenceStores.h"
#include "prefs/StoreMode.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class MainWindowFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("STILLEX_REGISTRY_DIR", m_registry.path().toUtf8());
        TRegistry::ResetForTests();
        SetExecutablePathForTests(m_registry.path() + QStringLiteral("/stillex"));
        StoreMode = smNone;
        DetectInstalledFilters();
        form = std::make_unique<TShowForm>();
        form->resize(1000, 700);
        form->show();
    }
    void TearDown() override
    {
        form->CloseMedia();
        form.reset();
        qunsetenv("STILLEX_REGISTRY_DIR");
        SetExecutablePathForTests(QString());
        TRegistry::ResetForTests();
    }

    QTemporaryDir m_registry;
    std::unique_ptr<TShowForm> form;
};
