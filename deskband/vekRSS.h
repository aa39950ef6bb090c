// The RSS 0.9x/2.0 and RDF feed model: a document parsed into channels and items, each item with a stable
// identity.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"

class TXMLNode;
class TRSSChannel;
class TRSSItem;

VCL_EXCEPTION(ERSS, Exception);

// An ordered list of items that owns them or not, as fixed when it is made.
class TRSSItemList : public TObject {
  VCL_CLASS(TRSSItemList, TObject)
  explicit TRSSItemList(bool ownsItems) : ownsItems_(ownsItems) {}
  ~TRSSItemList() override;

  int Count() const { return int(items_.size()); }
  // EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
  TRSSItem* Items(int index) const;
  int Add(TRSSItem* item);

 private:
  bool ownsItems_;
  std::vector<TRSSItem*> items_;
};

// An ordered list of channels that owns them.
class TRSSChannelList : public TObject {
  VCL_CLASS(TRSSChannelList, TObject)
  ~TRSSChannelList() override;

  int Count() const { return int(channels_.size()); }
  TRSSChannel* Items(int index) const;
  int Add(TRSSChannel* channel);

 private:
  std::vector<TRSSChannel*> channels_;
};

class TRSSChannel : public TObject {
  VCL_CLASS(TRSSChannel, TObject)
  // Reads title, link and description from a channel element.
  explicit TRSSChannel(TXMLNode* node);

  const std::string& Title() const { return title_; }
  const std::string& Link() const { return link_; }
  const std::string& Description() const { return description_; }
  // The channel's items, not owned.
  TRSSItemList& Items() { return items_; }

 private:
  std::string title_, link_, description_;
  TRSSItemList items_{false};
};

class TRSSItem : public TObject {
  VCL_CLASS(TRSSItem, TObject)
  // Reads the fields of an item element; channel is nullptr for an item outside any channel.
  TRSSItem(TXMLNode* node, TRSSChannel* channel);

  TRSSChannel* Channel() const { return channel_; }
  const std::string& Title() const { return title_; }
  const std::string& Link() const { return link_; }
  const std::string& Description() const { return description_; }
  const std::string& Author() const { return author_; }
  const std::string& Category() const { return category_; }
  const std::string& Guid() const { return guid_; }
  // From dc:date; 0 when it is missing or unreadable.
  TDateTime Date() const { return date_; }
  // The guid, or else the upper-case hexadecimal MD5 of title, "|" and link.
  std::string GetID() const;

 private:
  TRSSChannel* channel_;
  std::string title_, link_, description_, author_, category_, guid_;
  TDateTime date_ = 0;
};

// A parsed feed. Feed type: 0 for a root element rss, 1 for rdf, 2 for rdf:rdf (any letter case).
class TRSSFeed : public TObject {
  VCL_CLASS(TRSSFeed, TObject)
  // Parses the bytes of a feed document; the caller owns the result. Raises the XML layer's errors for a
  // document that is not well-formed or a field with mixed content, and ERSS "Not a valid RSS feed" for
  // another root element.
  static TRSSFeed* Create(std::string_view text) { return NewObject<TRSSFeed>(text); }
  explicit TRSSFeed(std::string_view text) : text_(text) {}

  int FeedType() const { return feedType_; }
  TRSSChannelList& Channels() { return channels_; }
  // Every item of the document, in document order; owns them.
  TRSSItemList& Items() { return items_; }

  void AfterConstruction() override;

 private:
  void AddItem(TXMLNode* node, TRSSChannel* channel);

  std::string_view text_;  // only while constructing
  int feedType_ = 0;
  TRSSChannelList channels_;
  TRSSItemList items_{true};
};

// The date of a dc:date text read by fixed positions (yyyy-mm-ddThh:nn:ss, the rest ignored); 0 when a
// part is not a number or out of range.
TDateTime RSSDateFromText(std::string_view text);
