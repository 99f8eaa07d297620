// Images loaded from files for widgets, shared through a cache keyed by path:
// a file is read once while any texture uses it, and its graph is deleted
// with the last user.
#pragma once

#include <string>

#include <boost/shared_ptr.hpp>
#include <boost/unordered_map.hpp>

namespace dx {
namespace detail {
namespace texture {

// A graph loaded from a file; -1 and 0 x 0 when the file could not be loaded.
struct handle {
  explicit handle(const std::string& path);
  ~handle();
  handle(const handle&) = delete;
  handle& operator=(const handle&) = delete;

  int graph = -1;
  int width = 0;
  int height = 0;
  std::string path;
};

namespace cache {
using map = boost::unordered_map<std::string, boost::shared_ptr<handle>>;
// The cache, made on first use; at exit it drops its references.
map& get();
void erase(const std::string& path);
}  // namespace cache

}  // namespace texture
}  // namespace detail

// A shared image and the transparency flag it is drawn with (1: black pixels
// of the image leave the target unchanged). Without an image it draws
// nothing.
class texture {
 public:
  texture() = default;
  texture(const texture& o) = default;
  texture& operator=(const texture& o);
  ~texture() { release(); }

  static texture texture_from_file(const std::string& path);

  // Takes the cached image of path, loading the file when no texture holds it.
  void load(const std::string& path);
  // Lets go of the image; the last user's release deletes the graph and its
  // cache entry.
  void release();

  const boost::shared_ptr<detail::texture::handle>& image() const { return image_; }
  // The graph handle, -1 without an image.
  int graph() const { return image_ ? image_->graph : -1; }

  int transparent = 1;

 private:
  boost::shared_ptr<detail::texture::handle> image_;
};

}  // namespace dx
