// Owner of a COM stream: released once, on every way out of a scope.
#pragma once

#include <objidl.h>

namespace vantiro::engine::render {

class StreamRef {
 public:
  StreamRef() = default;
  explicit StreamRef(IStream* stream) : stream_(stream) {}
  StreamRef(const StreamRef&) = delete;
  StreamRef& operator=(const StreamRef&) = delete;
  ~StreamRef() {
    if (stream_ != nullptr) stream_->Release();
  }
  IStream* get() const { return stream_; }
  // For functions that hand back a new stream through an out-parameter.
  IStream** out() { return &stream_; }

 private:
  IStream* stream_ = nullptr;
};

}  // namespace vantiro::engine::render
