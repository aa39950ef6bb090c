// Common controls: the rebar ("ReBarWindow32"), a container of bands, each a child window with a gripper
// before it, that hosts such as the taskbar and the browser's tool bar area are made of.
//
// Layout: bands flow left to right in rows (RBBS_BREAK starts a new row; hidden bands take no room). A
// band is its header (10 pixels of gripper, 2 with RBBS_NOGRIPPER) and its child. Its width is what
// RBBIM_SIZE or RB_MAXIMIZEBAND gave it, at least the header and cxMinChild; when a row is too wide its
// bands shrink from the last one towards their minimum, and the last band of a row takes what is left.
// A row is as high as its highest child (cyMinChild), the rebar as high as its rows, or as high as
// RB_SIZETORECT made it, the extra height going to the last row. A band with RBBS_USECHEVRON whose child
// gets less than cxIdeal shows a 14-pixel chevron at its right end, and the child is narrowed by it.
// Before a child is moved, RBN_CHILDSIZE tells the parent its new rectangle (which the parent may change);
// RBN_HEIGHTCHANGE follows a change of the rebar's height; RB_PUSHCHEVRON sends RBN_CHEVRONPUSHED with the
// chevron's rectangle, as a click on it does. Notifications go to the parent as WM_NOTIFY with the
// rebar's control identifier.
#pragma once
#include "platform/winapi/Messages.h"

// Registers the common control classes.
void InitCommonControls();

constexpr const char* REBARCLASSNAMEA = "ReBarWindow32";

constexpr UINT RB_INSERTBANDA = WM_USER + 1;
constexpr UINT RB_DELETEBAND = WM_USER + 2;
constexpr UINT RB_SETBANDINFOA = WM_USER + 6;
constexpr UINT RB_GETRECT = WM_USER + 9;
constexpr UINT RB_GETBANDCOUNT = WM_USER + 12;
constexpr UINT RB_GETROWCOUNT = WM_USER + 13;
constexpr UINT RB_GETROWHEIGHT = WM_USER + 14;
constexpr UINT RB_IDTOINDEX = WM_USER + 16;
constexpr UINT RB_SIZETORECT = WM_USER + 23;
constexpr UINT RB_GETBARHEIGHT = WM_USER + 27;
constexpr UINT RB_GETBANDINFOA = WM_USER + 29;
constexpr UINT RB_MINIMIZEBAND = WM_USER + 30;
constexpr UINT RB_MAXIMIZEBAND = WM_USER + 31;
constexpr UINT RB_SHOWBAND = WM_USER + 35;
constexpr UINT RB_PUSHCHEVRON = WM_USER + 43;

constexpr UINT RBN_FIRST = UINT(-831);
constexpr UINT RBN_HEIGHTCHANGE = RBN_FIRST - 0;
constexpr UINT RBN_LAYOUTCHANGED = RBN_FIRST - 2;
constexpr UINT RBN_CHILDSIZE = RBN_FIRST - 8;
constexpr UINT RBN_CHEVRONPUSHED = RBN_FIRST - 10;

// Band styles
constexpr UINT RBBS_BREAK = 0x0001;
constexpr UINT RBBS_FIXEDSIZE = 0x0002;
constexpr UINT RBBS_CHILDEDGE = 0x0004;
constexpr UINT RBBS_HIDDEN = 0x0008;
constexpr UINT RBBS_VARIABLEHEIGHT = 0x0040;
constexpr UINT RBBS_GRIPPERALWAYS = 0x0080;
constexpr UINT RBBS_NOGRIPPER = 0x0100;
constexpr UINT RBBS_USECHEVRON = 0x0200;

// What a REBARBANDINFOA carries
constexpr UINT RBBIM_STYLE = 0x0001;
constexpr UINT RBBIM_COLORS = 0x0002;
constexpr UINT RBBIM_TEXT = 0x0004;
constexpr UINT RBBIM_IMAGE = 0x0008;
constexpr UINT RBBIM_CHILD = 0x0010;
constexpr UINT RBBIM_CHILDSIZE = 0x0020;
constexpr UINT RBBIM_SIZE = 0x0040;
constexpr UINT RBBIM_BACKGROUND = 0x0080;
constexpr UINT RBBIM_ID = 0x0100;
constexpr UINT RBBIM_IDEALSIZE = 0x0200;
constexpr UINT RBBIM_LPARAM = 0x0400;

struct REBARBANDINFOA {
  UINT cbSize;
  UINT fMask;
  UINT fStyle;
  DWORD clrFore, clrBack;
  LPSTR lpText;
  UINT cch;
  int iImage;
  HWND hwndChild;
  UINT cxMinChild, cyMinChild;
  UINT cx;
  HBITMAP hbmBack;
  UINT wID;
  UINT cyChild, cyMaxChild, cyIntegral;
  UINT cxIdeal;
  LPARAM lParam;
  UINT cxHeader;
};

struct NMREBARCHEVRON {
  NMHDR hdr;
  UINT uBand;
  UINT wID;
  LPARAM lParam;
  RECT rc;  // the chevron, in the rebar's client coordinates
  LPARAM lParamNM;
};

struct NMREBARCHILDSIZE {
  NMHDR hdr;
  UINT uBand;
  UINT wID;
  RECT rcChild;
  RECT rcBand;
};

// Pixel sizes of the layout above.
constexpr int kRebarGripperWidth = 10;
constexpr int kRebarNoGripperWidth = 2;
constexpr int kRebarChevronWidth = 14;

// Notifications of tool bars and custom drawing (sent to the parent as WM_NOTIFY).
constexpr UINT NM_CUSTOMDRAW = UINT(-12);
constexpr UINT TBN_FIRST = UINT(-700);
constexpr UINT TBN_DROPDOWN = TBN_FIRST - 10;

// TBN_DROPDOWN: the button whose arrow (or whole face) was pressed.
struct NMTOOLBARA {
  NMHDR hdr;
  int iItem;  // the button's command identifier
  RECT rcButton;
};

// Draw stages and answers of NM_CUSTOMDRAW.
constexpr DWORD CDDS_PREPAINT = 0x00000001;
constexpr DWORD CDDS_ITEM = 0x00010000;
constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr LRESULT CDRF_DODEFAULT = 0x00;
constexpr LRESULT CDRF_SKIPDEFAULT = 0x04;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x20;
// Item states of NM_CUSTOMDRAW.
constexpr UINT CDIS_SELECTED = 0x0001;
constexpr UINT CDIS_GRAYED = 0x0002;
constexpr UINT CDIS_DISABLED = 0x0004;
constexpr UINT CDIS_CHECKED = 0x0008;
constexpr UINT CDIS_FOCUS = 0x0010;
constexpr UINT CDIS_DEFAULT = 0x0020;
constexpr UINT CDIS_HOT = 0x0040;

struct NMCUSTOMDRAW {
  NMHDR hdr;
  DWORD dwDrawStage;
  HDC hdc;
  RECT rc;
  DWORD_PTR dwItemSpec;  // tool bars: the button's command identifier
  UINT uItemState;
  LPARAM lItemlParam;
};
