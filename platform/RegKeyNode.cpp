#include "platform/RegKeyNode.h"

TRegKeyNode::TRegKeyNode(const QString& name)
    : m_name(name)
{
}

TRegKeyNode* TRegKeyNode::Child(const QString& name) const
{
    const auto it = m_children.find(Fold(name));
    return it == m_children.end() ? nullptr : it->second.get();
}

TRegKeyNode* TRegKeyNode::AddChild(const QString& name)
{
    auto& slot = m_children[Fold(name)];
    if (!slot) slot = std::make_unique<TRegKeyNode>(name);
    return slot.get();
}

bool TRegKeyNode::RemoveChild(const QString& name)
{
    return m_children.erase(Fold(name)) > 0;
}

QStringList TRegKeyNode::ChildNames() const
{
    QStringList names;
    names.reserve(qsizetype(m_children.size()));
    for (const auto& [folded, child] : m_children)
        names.append(child->m_name);
    return names;
}

std::vector<const TRegKeyNode*> TRegKeyNode::Children() const
{
    std::vector<const TRegKeyNode*> children;
    children.reserve(m_children.size());
    for (const auto& [folded, child] : m_children)
        children.push_back(child.get());
    return children;
}

TRegKeyNode* TRegKeyNode::Find(const QStringList& path)
{
    TRegKeyNode* node = this;
    for (const QString& part : path) {
        node = node->Child(part);
        if (!node) return nullptr;
    }
    return node;
}

const TRegKeyNode* TRegKeyNode::Find(const QStringList& path) const
{
    return const_cast<TRegKeyNode*>(this)->Find(path);
}

TRegKeyNode* TRegKeyNode::FindOrCreate(const QStringList& path)
{
    TRegKeyNode* node = this;
    for (const QString& part : path)
        node = node->AddChild(part);
    return node;
}

const RegValue* TRegKeyNode::Value(const QString& name) const
{
    const QString folded = Fold(name);
    for (const TNamedValue& v : m_values)
        if (v.folded == folded) return &v.value;
    return nullptr;
}

bool TRegKeyNode::SetValue(const QString& name, const RegValue& value)
{
    const QString folded = Fold(name);
    for (TNamedValue& v : m_values) {
        if (v.folded == folded) {
            if (SameValue(v.value, value)) return false;
            v.value = value;
            return true;
        }
    }
    m_values.push_back({ name, folded, value });
    return true;
}

bool TRegKeyNode::RemoveValue(const QString& name)
{
    const QString folded = Fold(name);
    for (auto it = m_values.begin(); it != m_values.end(); ++it) {
        if (it->folded == folded) {
            m_values.erase(it);
            return true;
        }
    }
    return false;
}

QStringList TRegKeyNode::ValueNames() const
{
    QStringList names;
    names.reserve(qsizetype(m_values.size()));
    for (const TNamedValue& v : m_values)
        names.append(v.name);
    return names;
}

bool TRegKeyNode::SameValue(const RegValue& a, const RegValue& b)
{
    if (a.type != b.type) return false;
    switch (a.type) {
    case RegDataType::Sz:
    case RegDataType::ExpandSz:
        return a.text == b.text;
    case RegDataType::Dword:
        return a.dword == b.dword;
    default:
        return a.bytes == b.bytes;
    }
}
