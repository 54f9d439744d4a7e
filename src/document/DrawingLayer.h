#pragma once

#include "document/ShadowStyle.h"
#include "document/ToolKind.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <memory>

class QPainter;

namespace mebo {

class DrawingLayer;
// The editor tracks layers by object identity, so they are shared, never copied by value.
using LayerPtr = std::shared_ptr<DrawingLayer>;
using LayerList = QList<LayerPtr>;

// One annotation over the base image. Layers are replaced, not changed, once they are in the
// editor's list: undo snapshots share them.
class DrawingLayer : public std::enable_shared_from_this<DrawingLayer> {
public:
    explicit DrawingLayer(ToolKind kind) : toolKind(kind) {}
    virtual ~DrawingLayer() = default;

    ToolKind toolKind;
    ShadowStyle shadow = ShadowStyle::none;
    double opacity = 1;
    bool isLocked = false; // never stored in a project file

    // Draws into a painter whose user space is the base image's pixel space (origin top-left, y
    // down). The base image is the one the layer annotates; sampling kinds read it.
    virtual void draw(QPainter& painter, const QImage& base) const = 0;
    // Axis-aligned box in image space, including half a stroke and rotation.
    virtual QRectF bounds() const = 0;
    // Base rule: inside bounds grown by 4 on every side.
    virtual bool hitTest(const QPointF& point) const;
    // A copy moved by (dx, dy), unlocked. The base returns this same layer.
    virtual LayerPtr translated(double dx, double dy) const;
    // True when the layer only paints over what lies below (source-over). Such layers can be
    // drawn into a separate transparent picture and laid over the rest later with the same result;
    // layers that multiply or erase cannot.
    virtual bool composesOver() const { return true; }
    // The class name, as logs print it ("ArrowLayer").
    virtual const char* className() const = 0;

    DrawingLayer(const DrawingLayer&) = default;
    DrawingLayer& operator=(const DrawingLayer&) = delete;

protected:
    // Copies drawn by translated() carry the attributes but never the lock.
    template <typename T> std::shared_ptr<T> unlockedCopy(const T& self) const {
        auto copy = std::make_shared<T>(self);
        copy->isLocked = false;
        return copy;
    }
};

} // namespace mebo
