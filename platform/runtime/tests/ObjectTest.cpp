#include "platform/runtime/Object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/Exceptions.h"

namespace {

std::vector<std::string> g_trace;

class TBase : public TObject {
  VCL_CLASS(TBase, TObject)
  void AfterConstruction() override { g_trace.push_back("created as " + Describe()); }
  void BeforeDestruction() override { g_trace.push_back("destroying " + Describe()); }
  virtual std::string Describe() { return "base"; }
};

class TDerived : public TBase {
  VCL_CLASS(TDerived, TBase)
  explicit TDerived(bool fail) : fail_(fail) {}
  void AfterConstruction() override {
    inherited::AfterConstruction();
    if (fail_) throw EConvertError("bad");
  }
  std::string Describe() override { return "derived"; }

 private:
  bool fail_;
};

TEST(ObjectModel, ConstructionSequenceReachesTheMostDerivedOverride) {
  g_trace.clear();
  TDerived* object = NewObject<TDerived>(false);
  EXPECT_EQ(object->ClassName(), "TDerived");
  EXPECT_TRUE(object->InheritsFrom(TBase::StaticClass()));
  EXPECT_TRUE(object->Is<TObject>());
  TObject* plain = object;
  FreeAndNil(plain);
  EXPECT_EQ(plain, nullptr);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"created as derived", "destroying derived"}));
}

TEST(ObjectModel, FailedConstructionDeletesAndPropagates) {
  g_trace.clear();
  EXPECT_THROW(NewObject<TDerived>(true), EConvertError);
  EXPECT_EQ(g_trace, std::vector<std::string>{"created as derived"});
}

TEST(ObjectModel, CheckedCast) {
  TBase* base = NewObject<TBase>();
  EXPECT_THROW(As<TDerived>(base), EInvalidCast);
  EXPECT_EQ(As<TBase>(base), base);
  EXPECT_EQ(DynamicAs<TDerived>(base), nullptr);
  EXPECT_EQ(As<TDerived>(nullptr), nullptr);
  base->Free();
}

TEST(ObjectModel, ExceptionsReportTheirClass) {
  try {
    throw EFOpenError("cannot open");
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "EFOpenError");
    EXPECT_TRUE(e.InheritsFrom(EStreamError::StaticClass()));
    EXPECT_FALSE(e.InheritsFrom(EReadError::StaticClass()));
    EXPECT_EQ(e.Message(), "cannot open");
  }
  EOSError os("Access is denied", 5);
  EXPECT_EQ(os.ErrorCode(), 5u);
  EXPECT_EQ(os.ClassName(), "EOSError");
}

}  // namespace
