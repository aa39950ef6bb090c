// Tables read from form resources: their field definitions come with the resource.
#include <gtest/gtest.h>

#include "WkMemDSTestSupport.h"
#include "platform/components/FormResource.h"
#include "platform/components/Forms.h"

namespace {

class TTableModule : public TDataModule {
  VCL_CLASS(TTableModule, TDataModule)
  using TDataModule::TDataModule;
  TWkMemoryData* qyBeallitas = nullptr;
  static void Publish(TPublisher<TTableModule>& p) { p.Field("qyBeallitas", &TTableModule::qyBeallitas); }
};

class TBrokenTableModule : public TDataModule {
  VCL_CLASS(TBrokenTableModule, TDataModule)
  using TDataModule::TDataModule;
  static void Publish(TPublisher<TBrokenTableModule>&) {}
};

}  // namespace

VCL_REGISTER_FORM(TTableModule, R"(object TableModule: TTableModule
  object qyBeallitas: TWkMemoryData
    FieldDefs = <
      item
        Name = 'Nev'
        DataType = ftString
        Size = 255
      end
      item
        Name = 'Sorszam'
        DataType = ftInteger
      end>
  end
end
)")

VCL_REGISTER_FORM(TBrokenTableModule, R"(object BrokenTableModule: TBrokenTableModule
  object qyBeallitas: TWkMemoryData
    FieldDefs = <
      item
        Name = 'Nev'
        DataType = ftNoSuchType
      end>
  end
end
)")

namespace {

TEST(WkMemDSResource, ATableFromAResourceHasItsFieldDefinitions) {
  auto* module = NewObject<TTableModule>(nullptr);
  ASSERT_NE(module->qyBeallitas, nullptr);
  TWkMemoryData& table = *module->qyBeallitas;
  ASSERT_EQ(table.FieldDefs().Count(), 2);
  EXPECT_EQ(table.FieldDefs()[0]->DataType(), ftString);
  EXPECT_EQ(table.FieldDefs()[0]->Size(), 255);
  EXPECT_EQ(table.FieldDefs()[1]->Name(), "Sorszam");
  EXPECT_EQ(table.FieldDefs()[1]->DataType(), ftInteger);
  table.Open();
  InsertRow(table, {std::string(300, 'x'), "7"});
  // A string field keeps at most its size.
  EXPECT_EQ(WalkRows(table), std::vector<std::string>{std::string(255, 'x') + "|7"});
  module->Free();
}

TEST(WkMemDSResource, AnUnknownFieldTypeIsAReadError) {
  try {
    NewObject<TBrokenTableModule>(nullptr);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Error reading qyBeallitas.FieldDefs: Invalid property value");
  }
}

}  // namespace
