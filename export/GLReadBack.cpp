#include "export/GLReadBack.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QtGlobal>

#include <new>

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_UNSIGNED_INT_8_8_8_8
#define GL_UNSIGNED_INT_8_8_8_8 0x8035
#endif

namespace tarnvik {

namespace {

// Saves the pack state and read framebuffer a read-back changes and puts
// them back, so the renderer finds its context as it left it.
class PackState {
public:
    PackState(QOpenGLExtraFunctions* f, GLuint readFramebuffer, GLint rowLength, GLuint packBuffer) : f_(f) {
        f_->glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &framebuffer_);
        f_->glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &buffer_);
        f_->glGetIntegerv(GL_PACK_ALIGNMENT, &alignment_);
        f_->glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength_);
        f_->glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer);
        f_->glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffer);
        f_->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        f_->glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);
    }
    ~PackState() {
        f_->glPixelStorei(GL_PACK_ROW_LENGTH, rowLength_);
        f_->glPixelStorei(GL_PACK_ALIGNMENT, alignment_);
        f_->glBindBuffer(GL_PIXEL_PACK_BUFFER, GLuint(buffer_));
        f_->glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(framebuffer_));
    }
    PackState(const PackState&) = delete;
    PackState& operator=(const PackState&) = delete;

private:
    QOpenGLExtraFunctions* f_;
    GLint framebuffer_ = 0;
    GLint buffer_ = 0;
    GLint alignment_ = 4;
    GLint rowLength_ = 0;
};

// The first error pending, with the rest cleared so the next call starts clean.
GLenum takeError(QOpenGLExtraFunctions* f) {
    GLenum first = f->glGetError();
    for (int i = 0; i < 16 && f->glGetError() != GL_NO_ERROR; ++i) {
    }
    return first;
}

// The functions of the context just made current.
QOpenGLExtraFunctions* current() { return QOpenGLContext::currentContext()->extraFunctions(); }

} // namespace

std::unique_ptr<GLReadBack> GLReadBack::create(GLFrameSource source, unsigned width, unsigned height,
                                               bool asynchronous) {
    if (!source || width == 0 || height == 0) return nullptr;
    std::unique_ptr<GLReadBack> r(new GLReadBack(std::move(source), width, height));
    if (!r->init(asynchronous)) return nullptr;
    return r;
}

GLReadBack::GLReadBack(GLFrameSource source, unsigned width, unsigned height)
    : source_(std::move(source)), width_(width), height_(height),
      rowBytes_((std::size_t(width) * 4 + 63) & ~std::size_t(63)) {}

bool GLReadBack::init(bool asynchronous) {
    if (!asynchronous) {
        staging_.reset(new (std::nothrow) std::uint8_t[rowBytes_ * height_]);
        if (!staging_) {
            qWarning("Memory allocation failed");
            return false;
        }
        return true;
    }
    if (!source_.makeCurrent()) return false;
    QOpenGLExtraFunctions* f = current();
    takeError(f);
    GLint previous = 0;
    f->glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &previous);
    f->glGenBuffers(2, packBuffers_);
    for (GLuint b : packBuffers_) {
        f->glBindBuffer(GL_PIXEL_PACK_BUFFER, b);
        f->glBufferData(GL_PIXEL_PACK_BUFFER, GLsizeiptr(rowBytes_ * height_), nullptr, GL_STREAM_READ);
    }
    f->glBindBuffer(GL_PIXEL_PACK_BUFFER, GLuint(previous));
    if (GLenum e = takeError(f)) {
        qWarning("OpenGL texture creation failed (error 0x%04X)", e);
        return false;
    }
    skipFirst_ = true;
    return true;
}

GLReadBack::~GLReadBack() {
    if ((packBuffers_[0] || packBuffers_[1]) && source_.makeCurrent()) {
        QOpenGLExtraFunctions* f = current();
        for (GLuint& b : packBuffers_)
            if (b) f->glDeleteBuffers(1, &b);
    }
}

GLReadBack::Result GLReadBack::readWith(const Consumer& use) {
    if (!source_.makeCurrent()) return Result::Failed;
    return staging_ ? readSynchronous(use) : readAsynchronous(use);
}

GLReadBack::Result GLReadBack::readSynchronous(const Consumer& use) {
    QOpenGLExtraFunctions* f = current();
    {
        PackState state(f, source_.framebuffer(), GLint(rowBytes_ / 4), 0);
        f->glReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8, staging_.get());
    }
    if (GLenum e = takeError(f)) {
        qWarning("OpenGL pixels read failed (error 0x%04X)", e);
        return Result::Failed;
    }
    return use(staging_.get()) ? Result::Read : Result::Failed;
}

GLReadBack::Result GLReadBack::readAsynchronous(const Consumer& use) {
    QOpenGLExtraFunctions* f = current();
    // Start the copy of this image into the other buffer before mapping the
    // one filled last time, so the map never waits on this call's transfer.
    const unsigned c = current_;
    bool mapFailed = false;
    bool used = false;
    {
        PackState state(f, source_.framebuffer(), GLint(rowBytes_ / 4), packBuffers_[1 - c]);
        f->glReadPixels(0, 0, GLsizei(width_), GLsizei(height_), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8, nullptr);
        if (GLenum e = takeError(f)) {
            qWarning("OpenGL pixels read failed (error 0x%04X)", e);
            return Result::Failed;
        }
        if (skipFirst_) {
            skipFirst_ = false;
            current_ = 1 - c;
            return Result::Skipped;
        }
        f->glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffers_[c]);
        const void* mapped =
            f->glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, GLsizeiptr(rowBytes_ * height_), GL_MAP_READ_BIT);
        if (mapped) {
            used = use(static_cast<const std::uint8_t*>(mapped));
            f->glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
        } else {
            mapFailed = true;
        }
    }
    if (GLenum e = takeError(f); e || mapFailed) {
        qWarning("OpenGL pixels read failed (error 0x%04X)", e);
        return Result::Failed;
    }
    if (!used) return Result::Failed;
    current_ = 1 - c;
    return Result::Read;
}

} // namespace tarnvik
