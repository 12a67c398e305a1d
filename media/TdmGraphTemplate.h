#pragma once
// A graph template module: the preconfigured filters that one kind of source
// puts into a graph. Each recipe makes its own instance; one of each is made
// at start so that the whole set is known to exist.

#include <QObject>

class TdmGraphTemplate : public QObject
{
    Q_OBJECT
public:
    explicit TdmGraphTemplate(const QString& name, QObject* parent = nullptr)
        : QObject(parent)
    {
        setObjectName(name);
    }
};
