#include "deskband/vekRSS.h"

#include <memory>

#include "deskband/vekMD5.h"
#include "deskband/vekXML.h"
#include "platform/runtime/Collation.h"

namespace {

// The text of the first child of that name, or "" when there is none.
std::string ChildText(TXMLNode* node, std::string_view name) {
  TXMLNode* child = FindChildNode(node, name);
  return child ? child->Text() : std::string();
}

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

// Digits only, as a decimal number; -1 otherwise.
int DecimalPart(std::string_view text, size_t from, size_t length) {
  if (text.size() < from + length) return -1;
  int value = 0;
  for (size_t i = from; i < from + length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

TRSSItemList::~TRSSItemList() {
  if (ownsItems_)
    for (TRSSItem* item : items_) item->Free();
}

TRSSItem* TRSSItemList::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[index];
}

int TRSSItemList::Add(TRSSItem* item) {
  items_.push_back(item);
  return Count() - 1;
}

TRSSChannelList::~TRSSChannelList() {
  for (TRSSChannel* channel : channels_) channel->Free();
}

TRSSChannel* TRSSChannelList::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return channels_[index];
}

int TRSSChannelList::Add(TRSSChannel* channel) {
  channels_.push_back(channel);
  return Count() - 1;
}

TRSSChannel::TRSSChannel(TXMLNode* node)
    : title_(ChildText(node, "title")), link_(ChildText(node, "link")), description_(ChildText(node, "description")) {}

TRSSItem::TRSSItem(TXMLNode* node, TRSSChannel* channel)
    : channel_(channel),
      title_(ChildText(node, "title")),
      link_(ChildText(node, "link")),
      description_(ChildText(node, "description")),
      category_(ChildText(node, "category")),
      guid_(ChildText(node, "guid")) {
  author_ = FindChildNode(node, "author") ? ChildText(node, "author") : ChildText(node, "dc:creator");
  date_ = RSSDateFromText(ChildText(node, "dc:date"));
}

std::string TRSSItem::GetID() const {
  if (!guid_.empty()) return guid_;
  static constexpr char kHex[] = "0123456789ABCDEF";
  TMD5Digest digest;
  MD5String(title_ + "|" + link_, digest);
  std::string id;
  id.reserve(32);
  for (uint8_t b : digest) {
    id += kHex[b >> 4];
    id += kHex[b & 15];
  }
  return id;
}

TDateTime RSSDateFromText(std::string_view text) {
  int year = DecimalPart(text, 0, 4), month = DecimalPart(text, 5, 2), day = DecimalPart(text, 8, 2);
  int hour = DecimalPart(text, 11, 2), minute = DecimalPart(text, 14, 2), second = DecimalPart(text, 17, 2);
  TDateTime value = 0;
  if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) return 0;
  if (!TryEncodeDateTime(year, month, day, hour, minute, second, 0, value)) return 0;
  return value;
}

void TRSSFeed::AfterConstruction() {
  auto document = LoadXMLData(text_);
  text_ = {};
  TXMLNode* top = document->Node();
  TXMLNode* root = FindChildNode(top, "rss");
  feedType_ = 0;
  if (!root && (root = FindChildNode(top, "rdf"))) feedType_ = 1;
  if (!root && (root = FindChildNode(top, "rdf:rdf"))) feedType_ = 2;
  if (!root) throw ERSS("Not a valid RSS feed");
  for (TXMLNode* child : root->ChildNodes()) {
    if (IsElementNamed(child, "channel")) {
      std::unique_ptr<TRSSChannel> made(NewObject<TRSSChannel>(child));
      TRSSChannel* channel = made.get();
      channels_.Add(made.release());
      for (TXMLNode* item : child->ChildNodes())
        if (IsElementNamed(item, "item")) AddItem(item, channel);
    } else if (IsElementNamed(child, "item")) {
      AddItem(child, nullptr);
    }
  }
}

void TRSSFeed::AddItem(TXMLNode* node, TRSSChannel* channel) {
  std::unique_ptr<TRSSItem> made(NewObject<TRSSItem>(node, channel));
  TRSSItem* item = made.get();
  items_.Add(made.release());
  if (channel) channel->Items().Add(item);
}
