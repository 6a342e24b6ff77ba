#pragma once

#include <QWidget>

namespace kiro {

class TDBRadioGroup;
class TFormData;
class ThmDBGrid;

// What has become of a project: its status (quotation, customer order,
// purchase order) with the quotation's status and the project's orders,
// and who created and last changed it. Nothing here is edited. Main thread
// only.
class TProjectInfoPage : public QWidget {
    Q_OBJECT
public:
    TProjectInfoPage(TFormData& data, QWidget* parent = nullptr);

    TDBRadioGroup* statusGroup() const { return m_status; }
    ThmDBGrid* customerOrdersGrid() const { return m_custOrders; }
    ThmDBGrid* purchaseOrdersGrid() const { return m_purchOrders; }

private:
    TDBRadioGroup* m_status = nullptr;
    ThmDBGrid* m_custOrders = nullptr;
    ThmDBGrid* m_purchOrders = nullptr;
};

} // namespace kiro
