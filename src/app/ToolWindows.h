#pragma once

#include <QWidget>

namespace kiro {

// Tool windows created after the logon (the legend belongs to the tree). They stay hidden until
// the configurator and the tree show them.

class TFormPartList : public QWidget {
    Q_OBJECT
public:
    explicit TFormPartList(QWidget* parent = nullptr);
};

class TdlgPDBSelInfo : public QWidget {
    Q_OBJECT
public:
    explicit TdlgPDBSelInfo(QWidget* parent = nullptr);
};

} // namespace kiro
