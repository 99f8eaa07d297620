// The texture cache and the textures that share its images.
#include "dx/texture.hpp"

#include "media/graphics/graph.hpp"
#include "media/graphics/graph_files.hpp"

namespace dx {
namespace detail {
namespace texture {

handle::handle(const std::string& p) : path(p) {
  graph = LoadGraphFile(path.c_str(), 0);
  if (graph < 0 || QueryGraphSize(graph, &width, &height) != 0) {
    graph = -1;
    width = 0;
    height = 0;
  }
}

handle::~handle() {
  if (graph >= 0) DeleteGraphHandle(graph);
}

namespace cache {

map& get() {
  static map cache;
  return cache;
}

void erase(const std::string& path) { get().erase(path); }

}  // namespace cache
}  // namespace texture
}  // namespace detail

texture& texture::operator=(const texture& o) {
  if (this == &o || image_ == o.image_) {
    transparent = o.transparent;
    return *this;
  }
  boost::shared_ptr<detail::texture::handle> keep = o.image_;
  release();
  image_ = keep;
  transparent = o.transparent;
  return *this;
}

texture texture::texture_from_file(const std::string& path) {
  texture t;
  t.load(path);
  return t;
}

void texture::load(const std::string& path) {
  detail::texture::cache::map& cache = detail::texture::cache::get();
  boost::shared_ptr<detail::texture::handle> found;
  auto it = cache.find(path);
  if (it != cache.end()) {
    found = it->second;
  } else {
    found.reset(new detail::texture::handle(path));
    cache.emplace(path, found);
  }
  // the image held before goes only after the new one is in hand, so loading
  // the path already held never reads the file again
  if (found != image_) {
    release();
    image_ = found;
  }
}

void texture::release() {
  if (!image_) return;
  // the cache and this texture are the last two owners
  if (image_.use_count() == 2) {
    auto& cache = detail::texture::cache::get();
    auto it = cache.find(image_->path);
    if (it != cache.end() && it->second == image_) cache.erase(it);
  }
  image_.reset();
}

}  // namespace dx
