// A web-post component that records every post and answers from a script,
// registered as "qWbPost.WebPost" in a test machine's component registry.
// All objects created from one FakeWebPost share its record and its script,
// so a test sees the posts of the shared object and of per-call objects alike.
// Objects keep it alive, so it may go before the run that holds one.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "platform/vb_error.h"

namespace qmon::test {

// One scripted answer. An output left unset keeps what the caller passed in.
struct PostOutcome {
  bool result = true;
  std::optional<std::string> response = std::nullopt;
  std::optional<std::string> error1 = std::nullopt;
  std::optional<std::string> error2 = std::nullopt;
  std::optional<std::string> error3 = std::nullopt;
  // Non-zero: the call raises VbError(raise) instead of answering.
  int32_t raise = 0;
};

// What one call was given, outputs as they stood on entry.
struct PostCall {
  std::string xml;
  bool flag = true;
  std::string url;
  std::string arg4, arg5;
  std::string response, error1, error2, error3;
};

class FakeWebPost {
 public:
  static std::shared_ptr<FakeWebPost> RegisteredIn(platform::ComponentRegistry& components) {
    auto fake = std::make_shared<FakeWebPost>();
    components.Register("qWbPost.WebPost", [fake]() -> std::unique_ptr<platform::WebPostObject> {
      if (!fake->creation_errors.empty()) {
        const int32_t error = fake->creation_errors.front();
        fake->creation_errors.pop_front();
        if (error != 0) throw VbError(error);
      }
      ++fake->created;
      return std::make_unique<Object>(fake);
    });
    return fake;
  }

  // Answers of the calls, in order; a call beyond the script fails the test.
  std::deque<PostOutcome> outcomes;
  // Creations that raise, in order (0 lets that creation succeed); once
  // empty, every creation succeeds.
  std::deque<int32_t> creation_errors;

  std::vector<PostCall> calls;
  int created = 0;
  int released = 0;

 private:
  class Object final : public platform::WebPostObject {
   public:
    explicit Object(std::shared_ptr<FakeWebPost> owner) : owner_(std::move(owner)) {}
    ~Object() override { ++owner_->released; }

    bool PostXMLString(std::string& xml, bool flag, std::string& url, std::string arg4,
                       std::string arg5, std::string& response, std::string& error1,
                       std::string& error2, std::string& error3) override {
      owner_->calls.push_back({xml, flag, url, arg4, arg5, response, error1, error2, error3});
      if (owner_->outcomes.empty()) {
        ADD_FAILURE() << "unexpected post to " << url;
        return false;
      }
      const PostOutcome outcome = owner_->outcomes.front();
      owner_->outcomes.pop_front();
      if (outcome.raise != 0) throw VbError(outcome.raise);
      if (outcome.response) response = *outcome.response;
      if (outcome.error1) error1 = *outcome.error1;
      if (outcome.error2) error2 = *outcome.error2;
      if (outcome.error3) error3 = *outcome.error3;
      return outcome.result;
    }

   private:
    std::shared_ptr<FakeWebPost> owner_;
  };
};

}  // namespace qmon::test
