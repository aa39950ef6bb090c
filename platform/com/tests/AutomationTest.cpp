// Variants, streams in memory and connection points.
#include <gtest/gtest.h>

#include "platform/com/ConnectionPoints.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Persist.h"
#include "platform/runtime/Cp1250.h"

namespace {

// A dispatch object that records the calls it receives and counts its references.
class TRecorder : public TComObjectImpl<IDispatch> {
 public:
  std::vector<std::string> calls;
  ULONG Count() {
    AddRef();
    return Release();
  }
  HRESULT GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
    std::string call = std::to_string(id) + "/" + std::to_string(flags) + ":";
    for (UINT i = 0; i < p->cArgs; ++i) call += " " + std::to_string(p->rgvarg[i].vt);
    calls.push_back(call);
    return id == 99 ? E_FAIL : S_OK;
  }
};

TEST(Variants, CopyAndClearOwnWhatTheyHold) {
  auto object = MakeComObject<TRecorder>();
  {
    OleVariant text("Árvíz"_cp), number(int32_t(-7)), flag(true), dispatch(object.Get());
    EXPECT_EQ(object->Count(), 2u);
    OleVariant copy = dispatch;
    EXPECT_EQ(object->Count(), 3u) << "a copied interface is referenced again";
    OleVariant textCopy = text;
    EXPECT_NE(textCopy.Get()->bstrVal, text.Get()->bstrVal) << "a copied BSTR is a new string";
    EXPECT_EQ(BstrToU16(textCopy.Get()->bstrVal), u"Árvíz");
    EXPECT_EQ(textCopy.AsString(), "Árvíz"_cp);
    EXPECT_EQ(number.AsInteger(), -7);
    EXPECT_TRUE(flag.AsBool());
    EXPECT_EQ(number.AsString(), "") << "no conversion between kinds";
    copy = text;
    EXPECT_EQ(object->Count(), 2u) << "assignment released the interface it held";
    EXPECT_EQ(VariantClear(dispatch.Get()), S_OK);
    EXPECT_EQ(dispatch.Type(), VT_EMPTY);
    EXPECT_EQ(object->Count(), 1u);
  }
  EXPECT_EQ(object->Count(), 1u);
}

TEST(Variants, ReferencesReadAndWriteThrough) {
  OleVariant target("http://a/");
  VARIANT_BOOL cancel = VARIANT_FALSE;
  OleVariant url = OleVariant::RefTo(target.Get()), cancelRef = OleVariant::RefTo(&cancel);
  EXPECT_EQ(url.AsString(), "http://a/");
  *cancelRef.Get()->pboolVal = VARIANT_TRUE;
  EXPECT_EQ(cancel, VARIANT_TRUE);
  EXPECT_TRUE(cancelRef.AsBool());
  OleVariant copy = url;  // a reference is copied as a reference: the target stays owned once
  EXPECT_EQ(copy.Get()->pvarVal, target.Get());
}

TEST(MemoryStreams, ReadWriteSeekAndCopy) {
  const BYTE initial[] = {1, 2, 3};
  ComPtr<IStream> stream = ComPtr<IStream>::Attach(SHCreateMemStream(initial, 3));
  ASSERT_TRUE(stream);
  BYTE buffer[8]{};
  ULONG n = 0;
  EXPECT_EQ(stream->Read(buffer, 2, &n), S_OK);
  EXPECT_EQ(n, 2u);
  const BYTE more[] = {7, 8, 9};
  EXPECT_EQ(stream->Write(more, 3, &n), S_OK);  // overwrites 3 and grows
  ULARGE_INTEGER at{};
  EXPECT_EQ(stream->Seek(MakeLargeInteger(-1), STREAM_SEEK_END, &at), S_OK);
  EXPECT_EQ(at.QuadPart, 4u);
  EXPECT_EQ(stream->Seek(MakeLargeInteger(-10), STREAM_SEEK_CUR, nullptr), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(stream->Read(buffer, 8, &n), S_OK);
  EXPECT_EQ(n, 1u) << "a short read at the end succeeds";
  EXPECT_EQ(buffer[0], 9);
  std::string all;
  ASSERT_TRUE(vandrel::ReadWholeStream(stream.Get(), all));
  EXPECT_EQ(all, std::string("\x01\x02\x07\x08\x09", 5));
  STATSTG stat{};
  EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 5u);
  ComPtr<IStream> clone;
  ASSERT_EQ(stream->Clone(clone.Put()), S_OK);
  std::string cloned;
  ASSERT_TRUE(vandrel::ReadWholeStream(clone.Get(), cloned));
  EXPECT_EQ(cloned, all);
}

class TSource : public TComObjectImpl<IConnectionPointContainer> {
 public:
  static constexpr IID kEvents = "{6F1B2A40-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;
  TSource() : point(MakeComObject<TConnectionPoint>(this, kEvents)) {}
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override {
    *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    *out = nullptr;
    if (iid != kEvents) return CONNECT_E_NOCONNECTION;
    return point->QueryInterface(IConnectionPoint::Iid, reinterpret_cast<void**>(out));
  }
  ComPtr<TConnectionPoint> point;
};

// A sink that answers the event interface by handing out its IDispatch.
class TEventSink : public TRecorder {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == TSource::kEvents) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return TRecorder::QueryInterface(riid, ppv);
  }
};

TEST(ConnectionPoints, AdviseFireUnadvise) {
  auto source = MakeComObject<TSource>();
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(source->FindConnectionPoint(TSource::kEvents, point.Put()), S_OK);
  EXPECT_EQ(source->FindConnectionPoint(IID_IDispatch, point.Put()), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(source->FindConnectionPoint(TSource::kEvents, point.Put()), S_OK);
  ComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(point->GetConnectionPointContainer(back.Put()), S_OK);
  EXPECT_EQ(back.Get(), source.Get());

  auto sink = MakeComObject<TEventSink>();
  auto plain = MakeComObject<TRecorder>();  // does not answer the event interface
  DWORD cookie = 0, refused = 7;
  EXPECT_EQ(point->Advise(plain.Get(), &refused), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(refused, 0u);
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  EXPECT_EQ(sink->Count(), 2u) << "the point holds the sink";

  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = VT_I4;
  args[1].vt = VT_BOOL;
  DISPPARAMS params{args, nullptr, 2, 0};
  EXPECT_EQ(source->point->InvokeAll(250, &params), S_OK);
  EXPECT_EQ(source->point->InvokeAll(99, &params), E_FAIL) << "a sink's failure is reported";
  EXPECT_EQ(sink->calls, (std::vector<std::string>{"250/1: 3 11", "99/1: 3 11"}));

  EXPECT_EQ(point->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(sink->Count(), 1u);
  EXPECT_EQ(source->point->SinkCount(), 0u);
}

}  // namespace
