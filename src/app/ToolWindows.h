#pragma once

#include <QWidget>

namespace kiro {

// The three tool windows created after the logon. They stay hidden until
// the configurator and the tree show them.

class TFormPartList : public QWidget {
    Q_OBJECT
public:
    explicit TFormPartList(QWidget* parent = nullptr);
};

class TFormLegend : public QWidget {
    Q_OBJECT
public:
    explicit TFormLegend(QWidget* parent = nullptr);
};

class TdlgPDBSelInfo : public QWidget {
    Q_OBJECT
public:
    explicit TdlgPDBSelInfo(QWidget* parent = nullptr);
};

} // namespace kiro
