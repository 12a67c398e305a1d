#pragma once
// The shortcuts window: the table of commands with their keys, switches and
// script tokens.

#include <QWidget>

class TRaccourcisForm : public QWidget
{
    Q_OBJECT
public:
    explicit TRaccourcisForm(QWidget* parent = nullptr);
};
