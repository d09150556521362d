#include "ui/view_tree.h"

#include <algorithm>

#include "ui/alert/screen_plan.h"
#include "ui/alert/tab_order.h"

namespace ui {

namespace {

void collect(const ViewTreeNode& parent, double x, double y, std::vector<PlacedNode>& found) {
    for (ViewTreeNode* child : parent.childNodes()) {
        Rect frame = child->nodeFrame();
        frame.x += x;
        frame.y += y;
        found.push_back({child, frame});
        collect(*child, frame.x, frame.y, found);
    }
}

}  // namespace

void ViewTreeNode::setNodeFrame(Rect frame) {
    frame_ = frame;
    frameChanged();
}

void ViewTreeNode::addChildNode(ViewTreeNode& child) {
    if (child.parent_) {
        auto& siblings = child.parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), &child), siblings.end());
    }
    child.parent_ = this;
    children_.push_back(&child);
    childAdded(child);
}

std::vector<PlacedNode> inReadingOrder(const ViewTreeNode& root) {
    std::vector<PlacedNode> nodes;
    collect(root, 0, 0, nodes);
    std::vector<Rect> frames;
    for (const PlacedNode& node : nodes) frames.push_back(node.frame);
    std::vector<PlacedNode> ordered;
    for (std::size_t index : alert::readingOrder(frames)) ordered.push_back(nodes[index]);
    return ordered;
}

ScrolledRows scrolledRows(const ViewTreeNode& accessory) {
    ScrolledRows found;
    std::vector<Rect> frames;
    for (const PlacedNode& placed : inReadingOrder(accessory)) {
        if (placed.node->parentNode() != &accessory) continue;
        frames.push_back(placed.frame);
        found.rows.push_back(placed.node);
    }
    const alert::Band band = alert::scrolledBand(frames, accessory.nodeFrame().height);
    found.rows.resize(band.rows);
    found.height = band.height;
    return found;
}

}  // namespace ui
