// Finding a record in any dataset by walking it.
#pragma once
#include <string>

#include "platform/components/data/DataSet.h"
#include "platform/runtime/Variant.h"

// Makes current the first record whose key fields (names separated by ";") equal the key values (the
// value itself for one field, an array with one element per field for several). String fields compare
// as text by the user locale (loCaseInsensitive; loPartialKey compares the field's text cut to the key's
// length); other fields as variants. The current record is tested first. When nothing matches, the
// record that was current stays current; errors propagate after the dataset is back there and its
// controls are enabled again.
bool LocateThrough(TDataSet* dataSet, const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
