#pragma once

#include <QString>
#include <QTreeWidgetItem>
#include <QtGlobal>

#include <memory>

namespace kiro {

// The kinds of the project tree's nodes, the byte every payload carries.
// 1, 2 and 4 are also the item kinds of the transfer file.
enum NodeKind : quint8 {
    NodeKindNone = 0,
    NodeKindProject = 1,
    NodeKindProduct = 2,
    NodeKindProjDoc = 3,
    NodeKindAccessory = 4,
    NodeKindProdDoc = 5,
    NodeKindProductGroup = 102,
    NodeKindDocGroup = 103,
    NodeKindAccGroup = 104,
    NodeKindProdDocGroup = 105,
};

// What a node of the project tree stands for. Item payloads name their row
// by its ID and cache the few values the caption and the image need, so
// that drawing never reads a table. The strings are copies of the record's
// fields. Plain values; main thread only like the tree itself.
struct TNodeInfo {
    TNodeInfo() = default;
    virtual ~TNodeInfo() = default;
    // A copy of the payload with its kind.
    virtual std::unique_ptr<TNodeInfo> clone() const { return std::make_unique<TNodeInfo>(*this); }

    const quint8 Kind = NodeKindNone;

protected:
    explicit TNodeInfo(quint8 kind)
        : Kind(kind)
    {
    }
};

// Kinds 1 to 5 carry an ID; lookups by ID consider only them.
struct TItemInfo : TNodeInfo {
    QString Name;
    QString ID;

protected:
    using TNodeInfo::TNodeInfo;
};

struct TProjInfo : TItemInfo {
    TProjInfo()
        : TItemInfo(NodeKindProject)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TProjInfo>(*this); }

    int Revision = 0;
    QString QuotCustName;
    bool Latest = false;
};

struct TProdInfo : TItemInfo {
    TProdInfo()
        : TItemInfo(NodeKindProduct)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TProdInfo>(*this); }

    QString ProjectID;
    int Order = -1;
    QString Tag;
    QString Description;
    int Qty = 0;
    bool PDB = false;
    bool TORVA = false;
    bool External = false;
    bool Spare = false;
    bool Alternate = false;
    bool AddOption = false;
    bool Complex = false;
};

struct TDocInfo : TItemInfo {
    TDocInfo()
        : TItemInfo(NodeKindProjDoc)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TDocInfo>(*this); }

    QString ProjectID;
};

struct TAccInfo : TItemInfo {
    TAccInfo()
        : TItemInfo(NodeKindAccessory)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TAccInfo>(*this); }

    QString ProductID;
    int Order = -1;
    QString Tag;
    QString Description;
    int Qty = 0;
    bool PDB = false;
    bool External = false;
    bool Spare = false;
    bool Alternate = false;
    bool AddOption = false;
};

struct TProdDocInfo : TItemInfo {
    TProdDocInfo()
        : TItemInfo(NodeKindProdDoc)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TProdDocInfo>(*this); }

    QString ProductID;
};

struct TProdGroupInfo : TNodeInfo {
    TProdGroupInfo()
        : TNodeInfo(NodeKindProductGroup)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TProdGroupInfo>(*this); }
};

struct TDocGroupInfo : TNodeInfo {
    TDocGroupInfo()
        : TNodeInfo(NodeKindDocGroup)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TDocGroupInfo>(*this); }
};

struct TAccGroupInfo : TNodeInfo {
    TAccGroupInfo()
        : TNodeInfo(NodeKindAccGroup)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TAccGroupInfo>(*this); }
};

struct TProdDocGroupInfo : TNodeInfo {
    TProdDocGroupInfo()
        : TNodeInfo(NodeKindProdDocGroup)
    {
    }
    std::unique_ptr<TNodeInfo> clone() const override { return std::make_unique<TProdDocGroupInfo>(*this); }
};

// A node of the project tree: owns its payload (released with the node, so
// deleting a node or clearing the tree frees it) and keeps the image index
// and overlay the building functions chose.
//
// The icon is worked out when the view asks for it (data() with
// Qt::DecorationRole): the stored index is corrected to the current Latest
// flag of the node's project, so a revision that becomes the latest one
// changes the images of all its nodes at the next paint, without touching
// them. A node in the Cut state is drawn dimmed.
class TTreeNode : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;
    static constexpr int NoOverlay = -1;

    explicit TTreeNode(std::unique_ptr<TNodeInfo> info = {});
    ~TTreeNode() override;

    TNodeInfo* info() const { return m_info.get(); }
    void setInfo(std::unique_ptr<TNodeInfo> info) { m_info = std::move(info); }

    // The index into the tree images as set (latest/older pair, see TreeImages.h).
    int imageIndex() const { return m_imageIndex; }
    void setImageIndex(int index);
    // Overlay 0 (alternate), 1 (additional option) or NoOverlay.
    int overlayIndex() const { return m_overlay; }
    void setOverlayIndex(int overlay);
    // The index drawn now: corrected to the Latest flag of the node's project.
    int effectiveImageIndex() const;

    bool isCut() const { return m_cut; }
    void setCut(bool cut);

    QVariant data(int column, int role) const override;

private:
    std::unique_ptr<TNodeInfo> m_info;
    int m_imageIndex = -1;
    int m_overlay = NoOverlay;
    bool m_cut = false;
};

} // namespace kiro
