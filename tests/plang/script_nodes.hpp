// Test-only statement nodes: a tag that appends itself to a log, a block
// that steps its statements in a scope of its own, and an action that runs a
// function as its one step (starts, declarations, signals).
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include "plang/control.hpp"
#include "plang/scope.hpp"

namespace plang::test {

using statement = boost::shared_ptr<control>;
using trace = std::vector<std::string>;

class tag final : public control {
 public:
  tag(trace* out, std::string text) : out_(out), text_(std::move(text)) {}
  bool step(runtime*) override {
    out_->push_back(text_);
    return false;
  }
  statement clone() const override { return boost::make_shared<tag>(out_, text_); }

 private:
  trace* out_;
  std::string text_;
};

class block final : public control {
 public:
  explicit block(std::vector<statement> statements) : statements_(std::move(statements)) {}
  bool step(runtime* rt) override {
    if (!active_) active_ = boost::make_shared<scope>(rt->variables, statements_.begin(), statements_.end());
    if (!active_->step(rt)) {
      active_.reset();
      return false;
    }
    return true;
  }
  statement clone() const override { return boost::make_shared<block>(statements_); }
  bool active() const { return static_cast<bool>(active_); }

 private:
  std::vector<statement> statements_;
  boost::shared_ptr<scope> active_;
};

class action final : public control {
 public:
  explicit action(std::function<void(runtime*)> f) : f_(std::move(f)) {}
  bool step(runtime* rt) override {
    f_(rt);
    return false;
  }
  statement clone() const override { return boost::make_shared<action>(f_); }

 private:
  std::function<void(runtime*)> f_;
};

inline statement make_block(std::initializer_list<statement> statements) {
  return boost::make_shared<block>(std::vector<statement>(statements));
}
inline statement make_tag(trace& out, std::string text) { return boost::make_shared<tag>(&out, std::move(text)); }
inline statement make_action(std::function<void(runtime*)> f) { return boost::make_shared<action>(std::move(f)); }

}  // namespace plang::test

#include "plang/expression/expression.hpp"

namespace plang::test {

// An expression that logs its tag, then yields its inner expression's value.
class traced final : public expression {
 public:
  traced(trace* out, std::string text, boost::shared_ptr<expression> inner)
      : out_(out), text_(std::move(text)), inner_(std::move(inner)) {}
  void evaluate(runtime* rt, handle& result) const override {
    out_->push_back(text_);
    inner_->evaluate(rt, result);
  }

 private:
  trace* out_;
  std::string text_;
  boost::shared_ptr<expression> inner_;
};

inline boost::shared_ptr<expression> make_traced(trace& out, std::string text, boost::shared_ptr<expression> inner) {
  return boost::make_shared<traced>(&out, std::move(text), std::move(inner));
}

}  // namespace plang::test
