#include "host/component.h"

#include <gtest/gtest.h>

#include "tests/support/velar_test.h"

#include <memory>
#include <string>
#include <vector>

#include "host/exceptions.h"

namespace {

using host::TComponent;

using host::TOperation;
using velar::testing::MessageOf;

// Records its own destruction, whether it was marked as being destroyed by
// then, and every notification it receives.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string label, std::vector<std::string>* log)
      : TComponent(owner), label_(std::move(label)), log_(log) {}
  ~Probe() override {
    // Reading through the reference makes a dangling one fail under
    // AddressSanitizer.
    if (reference != nullptr) referencedNameLength = reference->Name().size();
    if (log_ != nullptr)
      log_->push_back(label_ + (ComponentState().Contains(host::csDestroying) ? "!" : ""));
  }
  void Notification(TComponent* component, TOperation operation) override {
    if (refuseInserts && operation == host::opInsert) throw host::EComponentError("refused");
    TComponent::Notification(component, operation);
    notifications.push_back({component, operation});
    if (operation == host::opRemove && component == reference) reference = nullptr;
  }

  TComponent* reference = nullptr;
  bool refuseInserts = false;
  std::size_t referencedNameLength = 0;
  std::vector<std::pair<TComponent*, TOperation>> notifications;

 private:
  std::string label_;
  std::vector<std::string>* log_;
};

class ComponentOwnership : public ::testing::Test {
 protected:
  std::vector<std::string> log;
};

TEST_F(ComponentOwnership, DeletingTheOwnerFreesTheTreeLastCreatedFirst) {
  auto* root = new Probe(nullptr, "root", &log);
  new Probe(root, "a", &log);
  auto* b = new Probe(root, "b", &log);
  new Probe(b, "c", &log);
  ASSERT_EQ(root->ComponentCount(), 2);
  delete root;
  // Owned components are freed after the owner's own destructor, the most
  // recent first, and know they are going away.
  EXPECT_EQ(log, (std::vector<std::string>{"root", "b!", "c!", "a!"}));
}

TEST_F(ComponentOwnership, DeletingAChildDetachesItFromItsOwner) {
  Probe root(nullptr, "root", nullptr);
  auto* a = new Probe(&root, "a", &log);
  auto* b = new Probe(&root, "b", &log);
  delete a;
  ASSERT_EQ(root.ComponentCount(), 1);
  EXPECT_EQ(root.Components(0), b);
  EXPECT_EQ(b->ComponentIndex(), 0);
  // Only owners mark what they free; a component deleted directly is marked
  // once its own destructor is done.
  EXPECT_EQ(log, std::vector<std::string>{"a"});
}

TEST_F(ComponentOwnership, InsertingMovesAComponentButNeverIntoItsOwnTree) {
  Probe first(nullptr, "first", nullptr);
  Probe second(nullptr, "second", nullptr);
  auto* child = new Probe(&first, "child", &log);
  second.InsertComponent(child);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(child->Owner(), &second);
  auto* grandchild = new Probe(child, "grandchild", nullptr);
  EXPECT_THROW(grandchild->InsertComponent(&second), host::EComponentError);
  EXPECT_THROW(second.InsertComponent(&second), host::EComponentError);
  EXPECT_EQ(second.Owner(), nullptr);
  EXPECT_EQ(MessageOf<host::EListError>([&] { second.Components(1); }),
            "List index out of bounds (1)");
}

TEST_F(ComponentOwnership, ARefusedInsertionLeavesNoDanglingChild) {
  Probe root(nullptr, "root", nullptr);
  root.refuseInserts = true;
  EXPECT_THROW(new Probe(&root, "child", &log), host::EComponentError);
  EXPECT_EQ(root.ComponentCount(), 0);  // root's destructor would free it again
}

class ComponentFreeNotification : public ::testing::Test {};

TEST_F(ComponentFreeNotification, ClearsAReferenceHeldOutsideTheOwner) {
  Probe formA(nullptr, "formA", nullptr);
  Probe formB(nullptr, "formB", nullptr);
  auto* holder = new Probe(&formA, "holder", nullptr);
  auto* target = new Probe(&formB, "target", nullptr);
  holder->reference = target;
  target->FreeNotification(holder);
  delete target;
  EXPECT_EQ(holder->reference, nullptr);
}

TEST_F(ComponentFreeNotification, SiblingsLearnThroughTheirOwner) {
  Probe form(nullptr, "form", nullptr);
  auto* holder = new Probe(&form, "holder", nullptr);
  auto* target = new Probe(&form, "target", nullptr);
  holder->reference = target;
  delete target;
  EXPECT_EQ(holder->reference, nullptr);
}

TEST_F(ComponentFreeNotification, SiblingsFreedWithTheirOwnerLetGoOfEachOther) {
  // Freeing the form frees "late" first; "early", freed after it, reads its
  // reference in its destructor and must find it cleared.
  auto* form = new Probe(nullptr, "form", nullptr);
  auto* early = new Probe(form, "early", nullptr);
  auto* late = new Probe(form, "late", nullptr);
  early->reference = late;
  late->reference = early;
  delete form;
  SUCCEED();
}

TEST_F(ComponentFreeNotification, NoNewsAfterRemoveFreeNotification) {
  Probe holder(nullptr, "holder", nullptr);
  auto* target = new Probe(nullptr, "target", nullptr);
  target->FreeNotification(&holder);
  target->RemoveFreeNotification(&holder);
  delete target;
  EXPECT_TRUE(holder.notifications.empty());
}

TEST_F(ComponentFreeNotification, AWatcherFreedFirstIsNotCalledLater) {
  auto* target = new Probe(nullptr, "target", nullptr);
  auto* watcher = new Probe(nullptr, "watcher", nullptr);
  target->FreeNotification(watcher);
  delete watcher;
  delete target;  // would call the freed watcher if the pairing were one-sided
  SUCCEED();
}

class ComponentNaming : public ::testing::Test {
 protected:
  Probe form{nullptr, "form", nullptr};
};

TEST_F(ComponentNaming, AcceptsIdentifiersOnly) {
  auto* c = new Probe(&form, "c", nullptr);
  c->SetName("_Session_1");
  for (const char* bad : {"1abc", "a b", "a-b", "\xE9"})
    EXPECT_EQ(MessageOf<host::EComponentError>([&] { c->SetName(bad); }),
              std::string("\"") + bad + "\" is not a valid component name.");
  EXPECT_EQ(c->Name(), "_Session_1");
  c->SetName("");
  EXPECT_EQ(c->Name(), "");
}

TEST_F(ComponentNaming, NamesAreUniqueAmongTheOwnersComponentsIgnoringCase) {
  auto* a = new Probe(&form, "a", nullptr);
  auto* b = new Probe(&form, "b", nullptr);
  a->SetName("Query1");
  EXPECT_EQ(MessageOf<host::EComponentError>([&] { b->SetName("QUERY1"); }),
            "A component named \"QUERY1\" already exists.");
  EXPECT_EQ(b->Name(), "");
  a->SetName("query1");  // a component may change the case of its own name
  EXPECT_EQ(form.FindComponent("QUERY1"), a);
  EXPECT_EQ(form.FindComponent(""), nullptr);
  Probe other(nullptr, "other", nullptr);
  auto* c = new Probe(&other, "c", nullptr);
  c->SetName("Query1");  // another owner, another namespace
  EXPECT_THROW(form.InsertComponent(c), host::EComponentError);
  EXPECT_EQ(c->Owner(), &other);
}

class ComponentState : public ::testing::Test {};

TEST_F(ComponentState, LoadedClearsLoading) {
  Probe c(nullptr, "c", nullptr);
  c.SetLoading(true);
  c.SetReading(true);
  EXPECT_TRUE(c.ComponentState().Contains(host::csLoading));
  c.SetReading(false);
  c.Loaded();
  EXPECT_FALSE(c.ComponentState().Contains(host::csLoading));
  EXPECT_TRUE(c.ComponentState().Empty());
}

TEST_F(ComponentState, DesigningReachesOwnedComponentsAndNewcomers) {
  Probe root(nullptr, "root", nullptr);
  auto* early = new Probe(&root, "early", nullptr);
  root.SetDesigning(true);
  EXPECT_TRUE(early->ComponentState().Contains(host::csDesigning));
  auto* late = new Probe(&root, "late", nullptr);
  EXPECT_TRUE(late->ComponentState().Contains(host::csDesigning));
  root.SetDesigning(false, false);
  EXPECT_FALSE(root.ComponentState().Contains(host::csDesigning));
  EXPECT_TRUE(early->ComponentState().Contains(host::csDesigning));
}

class PersistentAssign : public ::testing::Test {};

TEST_F(PersistentAssign, UnrelatedClassesRaiseTheCannotAssignError) {
  class TApple : public host::TPersistent {};
  class TPear : public host::TPersistent {};
  TApple apple;
  TPear pear;
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { pear.Assign(&apple); }),
            "Cannot assign a TApple to a TPear");
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { pear.Assign(nullptr); }),
            "Cannot assign a nil to a TPear");
}

}  // namespace
