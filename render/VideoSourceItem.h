// The camera picture as a Qt Quick item: "VideoSource" in compositions,
// letterboxed into the item, with the test pattern while there is no video.
#pragma once

#include <QColor>
#include <QQuickItem>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

namespace tarnvik {

class VideoDecoder;

class VideoSourceItem : public QQuickItem {
    Q_OBJECT
    // A file, a /dev/video device or a stream URL; empty shows the test pattern.
    Q_PROPERTY(QString source READ source WRITE setSource NOTIFY sourceChanged)
    // The scene's render time in seconds; it moves the test pattern.
    Q_PROPERTY(double time READ time WRITE setTime NOTIFY timeChanged)
    // True while decoded pictures, not the test pattern, are shown.
    Q_PROPERTY(bool live READ isLive NOTIFY liveChanged)
    // The letterbox bars; transparent lets what is below show through.
    Q_PROPERTY(QColor background READ background WRITE setBackground NOTIFY backgroundChanged)

public:
    explicit VideoSourceItem(QQuickItem* parent = nullptr);
    ~VideoSourceItem() override;

    // Makes the type known to QML as Tarnvik 1.0 VideoSource; safe to call again.
    static void registerQmlType();

    QString source() const { return source_; }
    void setSource(const QString& source);
    double time() const { return time_; }
    void setTime(double seconds);
    bool isLive() const { return live_; }
    QColor background() const { return background_; }
    void setBackground(const QColor& colour);

signals:
    void sourceChanged();
    void timeChanged();
    void liveChanged();
    void backgroundChanged();

protected:
    QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void startDecoder();
    void frameArrived();
    void setLive(bool live);

    QString source_;
    double time_ = 0;
    bool live_ = false;
    QColor background_ = Qt::black;
    // Opens a source that could not be opened again now and then; a running
    // decoder retries by itself.
    QTimer retry_;
    // Set while a frame notice is queued, so that a fast source queues one at a time.
    std::atomic<bool> noticeQueued_{false};
    std::unique_ptr<VideoDecoder> decoder_;
};

} // namespace tarnvik
