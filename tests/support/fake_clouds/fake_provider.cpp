#include "fake_provider.h"

namespace ydt::test {

std::vector<live::ProviderRequest> FakeProvider::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void FakeProvider::ClearReceived() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

void FakeProvider::Remember(const live::ProviderRequest& request) {
  std::lock_guard lock(mutex_);
  received_.push_back(request);
}

}  // namespace ydt::test
