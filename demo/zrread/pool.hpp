// Reads the batch's pictures on several threads and hands their results back on the calling
// thread, in input order or as they finish.
#ifndef ZR_ZRREAD_POOL_HPP
#define ZR_ZRREAD_POOL_HPP

#include <cstddef>
#include <functional>

#include "inputs.hpp"
#include "picture.hpp"

namespace zr::zrread {

struct PoolSettings {
    unsigned threads = 1;
    bool unordered = false;
};

// `read` runs on the pool's threads and must not throw; `deliver` gets each picture's input and
// result on the calling thread; `idle` is called on that thread at least ten times a second while
// pictures are being read. At most a few pictures per thread are read or waiting to be delivered
// at any time, so memory does not grow with the length of the batch.
void RunPool(InputList &inputs, const PoolSettings &settings,
             const std::function<PictureResult(const Input &)> &read,
             const std::function<void(const Input &, PictureResult &&)> &deliver, const std::function<void()> &idle);

// Pictures read or waiting at once per thread.
constexpr std::size_t kPicturesPerThread = 4;

}  // namespace zr::zrread

#endif  // ZR_ZRREAD_POOL_HPP
