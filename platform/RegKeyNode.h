#pragma once
// One key of an emulated hive: its values in the order they were first
// written (as the registry enumerates them) and its subkeys kept sorted
// without regard to case (as the registry enumerates those).

#include "platform/Registry.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

class TRegKeyNode
{
public:
    struct TNamedValue {
        QString name; // spelling first written
        QString folded; // lookup form
        RegValue value;
    };

    explicit TRegKeyNode(const QString& name = QString());
    TRegKeyNode(const TRegKeyNode&) = delete;
    TRegKeyNode& operator=(const TRegKeyNode&) = delete;

    const QString& Name() const { return m_name; }

    TRegKeyNode* Child(const QString& name) const;
    // The existing child of that name (whatever its spelling) or a new one.
    TRegKeyNode* AddChild(const QString& name);
    bool RemoveChild(const QString& name);
    bool HasChildren() const { return !m_children.empty(); }
    QStringList ChildNames() const;
    std::vector<const TRegKeyNode*> Children() const;

    // Follows a path of key names; nullptr when some key is missing.
    TRegKeyNode* Find(const QStringList& path);
    const TRegKeyNode* Find(const QStringList& path) const;
    TRegKeyNode* FindOrCreate(const QStringList& path);

    const RegValue* Value(const QString& name) const;
    // Returns false when the value was already there with the same content.
    bool SetValue(const QString& name, const RegValue& value);
    bool RemoveValue(const QString& name);
    bool HasValues() const { return !m_values.empty(); }
    QStringList ValueNames() const;
    const std::vector<TNamedValue>& Values() const { return m_values; }

    static QString Fold(const QString& name) { return name.toCaseFolded(); }
    static bool SameValue(const RegValue& a, const RegValue& b);

private:
    QString m_name;
    std::map<QString, std::unique_ptr<TRegKeyNode>> m_children; // by folded name
    std::vector<TNamedValue> m_values;
};
