// The view tree as the toolkit interface describes it (frames in points,
// origin bottom-left, subviews in the order added), kept once for the
// backends whose toolkit does not keep it in that form, and for the test fake.
#pragma once

#include <cstdlib>
#include <vector>

#include "ui/toolkit.h"

namespace ui {

class ViewTreeNode {
public:
    virtual ~ViewTreeNode() = default;

    Rect nodeFrame() const { return frame_; }
    ViewTreeNode* parentNode() const { return parent_; }
    const std::vector<ViewTreeNode*>& childNodes() const { return children_; }

    void setNodeFrame(Rect frame);
    // A view added again moves from its old parent to the end of this one.
    void addChildNode(ViewTreeNode& child);

protected:
    // Hooks for a backend that mirrors the tree in its toolkit.
    virtual void frameChanged() {}
    virtual void childAdded(ViewTreeNode& /*child*/) {}

private:
    Rect frame_;
    ViewTreeNode* parent_ = nullptr;
    std::vector<ViewTreeNode*> children_;
};

// The backend's node behind an interface view. A view made by another
// toolkit is a programming error that no run can recover from.
template <class Node>
Node& nodeOf(View& view) {
    auto* node = dynamic_cast<Node*>(&view);
    if (!node) std::abort();
    return *node;
}

// An interface class (View, Checkbox, TextField) whose frame and subviews
// are kept by Node, a ViewTreeNode of the backend.
template <class Interface, class Node>
class ViewOf : public Interface, public Node {
public:
    using Node::Node;
    void setFrame(Rect frame) override { this->setNodeFrame(frame); }
    void addSubview(View& subview) override { this->addChildNode(nodeOf<Node>(subview)); }
};

// A node with its frame in the coordinates of the root it was found under.
struct PlacedNode {
    ViewTreeNode* node;
    Rect frame;
};

// Every node below the root, in the order a reader takes them: top to
// bottom, then left to right; nodes level with each other keep the order
// they were added in.
std::vector<PlacedNode> inReadingOrder(const ViewTreeNode& root);

// The part of an accessory view that scrolls when the alert is too tall (see
// alert::scrolledBand): its leading rows, none when the whole view scrolls,
// and the band's height in points.
struct ScrolledRows {
    std::vector<ViewTreeNode*> rows;
    double height = 0;
};
ScrolledRows scrolledRows(const ViewTreeNode& accessory);

}  // namespace ui
