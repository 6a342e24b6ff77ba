#pragma once

#include <QObject>

namespace kiro {

// The central data module: owns every database connection and table of the
// session. Main thread only.
class TFormData : public QObject {
    Q_OBJECT
public:
    explicit TFormData(QObject* parent = nullptr);
    ~TFormData() override;
};

} // namespace kiro
