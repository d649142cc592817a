#include "render/VideoSourceItem.h"

#include "render/TestPattern.h"
#include "render/VideoDecoder.h"

#include <QMetaObject>
#include <QQuickWindow>
#include <QSGSimpleRectNode>
#include <QSGSimpleTextureNode>
#include <QSGTexture>
#include <QtQml/qqml.h>

#include <mutex>

namespace tarnvik {
namespace {

constexpr int kRetryMs = 5000;
// The pattern is redrawn every frame, so it is drawn at most this large and scaled up.
constexpr QSize kMaxPattern(1280, 720);

// The texture is owned here and not by the node, so that replacing it is
// plainly one delete.
class PictureNode : public QSGSimpleTextureNode {
public:
    void replace(QSGTexture* texture) {
        setTexture(texture);
        texture_.reset(texture);
    }

private:
    std::unique_ptr<QSGTexture> texture_;
};

// The background under the picture: what is not covered shows as the letterbox bars.
class VideoNode : public QSGSimpleRectNode {
public:
    enum class Shows { Nothing, Frame, Pattern };

    void setPicture(QSGTexture* texture, QSize size) {
        // A texture node joins the graph only once it has a texture.
        if (!picture) {
            picture = new PictureNode;
            picture->setFiltering(QSGTexture::Linear);
            picture->replace(texture);
            appendChildNode(picture);
        } else {
            picture->replace(texture);
        }
        imageSize = size;
    }

    PictureNode* picture = nullptr; // a child, owned by this node
    Shows shows = Shows::Nothing;
    quint64 serial = 0;
    double patternTime = 0;
    QSize imageSize;
};

QSize patternSize(QSizeF pixels) {
    QSize size = pixels.toSize().expandedTo(QSize(1, 1));
    if (size.width() > kMaxPattern.width() || size.height() > kMaxPattern.height())
        size = size.scaled(kMaxPattern, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return size;
}

QRectF fitted(QSize image, const QRectF& bounds) {
    const QSizeF size = QSizeF(image).scaled(bounds.size(), Qt::KeepAspectRatio);
    return {bounds.x() + (bounds.width() - size.width()) / 2, bounds.y() + (bounds.height() - size.height()) / 2,
            size.width(), size.height()};
}

} // namespace

VideoSourceItem::VideoSourceItem(QQuickItem* parent) : QQuickItem(parent) {
    setFlag(ItemHasContents);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, [this] {
        if (decoder_ && decoder_->start(source_)) retry_.stop();
    });
}

VideoSourceItem::~VideoSourceItem() {
    retry_.stop();
    // Joins the decoding thread before this object goes, so no frame notice can follow.
    decoder_.reset();
}

void VideoSourceItem::registerQmlType() {
    static std::once_flag once;
    std::call_once(once, [] { qmlRegisterType<VideoSourceItem>("Tarnvik", 1, 0, "VideoSource"); });
}

void VideoSourceItem::setSource(const QString& source) {
    if (source == source_) return;
    source_ = source;
    emit sourceChanged();
    startDecoder();
}

void VideoSourceItem::setTime(double seconds) {
    if (seconds == time_) return;
    time_ = seconds;
    emit timeChanged();
    if (!live_) update();
}

void VideoSourceItem::setBackground(const QColor& colour) {
    if (colour == background_) return;
    background_ = colour;
    emit backgroundChanged();
    update();
}

void VideoSourceItem::startDecoder() {
    retry_.stop();
    decoder_.reset();
    setLive(false);
    update();
    if (source_.trimmed().isEmpty()) return;
    decoder_ = std::make_unique<VideoDecoder>();
    decoder_->setFrameCallback([this] {
        if (!noticeQueued_.exchange(true))
            QMetaObject::invokeMethod(this, &VideoSourceItem::frameArrived, Qt::QueuedConnection);
    });
    if (!decoder_->start(source_)) retry_.start();
}

void VideoSourceItem::frameArrived() {
    noticeQueued_ = false;
    setLive(decoder_ && decoder_->hasFrame());
    update();
}

void VideoSourceItem::setLive(bool live) {
    if (live == live_) return;
    live_ = live;
    emit liveChanged();
}

void VideoSourceItem::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size()) update();
}

QSGNode* VideoSourceItem::updatePaintNode(QSGNode* old, UpdatePaintNodeData*) {
    const QRectF bounds = boundingRect();
    QQuickWindow* win = window();
    if (bounds.isEmpty() || !win) {
        delete old;
        return nullptr;
    }
    auto* node = static_cast<VideoNode*>(old);
    if (!node) node = new VideoNode;
    node->setRect(bounds);
    if (node->color() != background_) node->setColor(background_);

    // Only a new frame, or a new moment of the pattern, is uploaded again.
    QImage upload;
    quint64 serial = 0;
    const QImage frame = decoder_ ? decoder_->latestFrame(&serial) : QImage();
    if (!frame.isNull()) {
        if (node->shows != VideoNode::Shows::Frame || node->serial != serial) {
            upload = frame;
            node->shows = VideoNode::Shows::Frame;
            node->serial = serial;
        }
    } else {
        const QSize size = patternSize(bounds.size() * win->effectiveDevicePixelRatio());
        if (node->shows != VideoNode::Shows::Pattern || node->patternTime != time_ || node->imageSize != size) {
            upload = testPattern(size, time_);
            node->shows = VideoNode::Shows::Pattern;
            node->patternTime = time_;
        }
    }
    if (!upload.isNull()) {
        QQuickWindow::CreateTextureOptions options;
        if (!upload.hasAlphaChannel()) options |= QQuickWindow::TextureIsOpaque;
        if (QSGTexture* texture = win->createTextureFromImage(upload, options))
            node->setPicture(texture, upload.size());
        else
            node->shows = VideoNode::Shows::Nothing; // try again on the next frame
    }
    if (node->picture) node->picture->setRect(fitted(node->imageSize, bounds));
    return node;
}

} // namespace tarnvik
