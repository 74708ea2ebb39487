// The ids of the BIFF8 records the engine reads, writes or recognises.
#pragma once

#include <cstdint>

namespace xls {

constexpr std::uint16_t xlr_FORMULA = 0x0006;
constexpr std::uint16_t xlr_EOF = 0x000A;
constexpr std::uint16_t xlr_PRECISION = 0x000E;
constexpr std::uint16_t xlr_REFMODE = 0x000F;
constexpr std::uint16_t xlr_HEADER = 0x0014;
constexpr std::uint16_t xlr_FOOTER = 0x0015;
constexpr std::uint16_t xlr_EXTERNSHEET = 0x0017;
constexpr std::uint16_t xlr_NAME = 0x0018;
constexpr std::uint16_t xlr_VPAGEBREAKS = 0x001A;
constexpr std::uint16_t xlr_HPAGEBREAKS = 0x001B;
constexpr std::uint16_t xlr_NOTE = 0x001C;
constexpr std::uint16_t xlr_DATEMODE = 0x0022;
constexpr std::uint16_t xlr_EXTERNNAME = 0x0023;
constexpr std::uint16_t xlr_LEFTMARGIN = 0x0026;
constexpr std::uint16_t xlr_RIGHTMARGIN = 0x0027;
constexpr std::uint16_t xlr_TOPMARGIN = 0x0028;
constexpr std::uint16_t xlr_BOTTOMMARGIN = 0x0029;
constexpr std::uint16_t xlr_PRINTGRIDLINES = 0x002B;
constexpr std::uint16_t xlr_FILEPASS = 0x002F;
constexpr std::uint16_t xlr_FONT = 0x0031;
constexpr std::uint16_t xlr_CONTINUE = 0x003C;
constexpr std::uint16_t xlr_WINDOW1 = 0x003D;
constexpr std::uint16_t xlr_PANE = 0x0041;
constexpr std::uint16_t xlr_PLS = 0x004D;
constexpr std::uint16_t xlr_DEFCOLWIDTH = 0x0055;
constexpr std::uint16_t xlr_OBJ = 0x005D;
constexpr std::uint16_t xlr_TEMPLATE = 0x0060;
constexpr std::uint16_t xlr_COLINFO = 0x007D;
constexpr std::uint16_t xlr_IMDATA = 0x007F;
constexpr std::uint16_t xlr_GUTS = 0x0080;
constexpr std::uint16_t xlr_WSBOOL = 0x0081;
constexpr std::uint16_t xlr_HCENTER = 0x0083;
constexpr std::uint16_t xlr_VCENTER = 0x0084;
constexpr std::uint16_t xlr_BOUNDSHEET = 0x0085;
constexpr std::uint16_t xlr_PALETTE = 0x0092;
constexpr std::uint16_t xlr_STANDARDWIDTH = 0x0099;
constexpr std::uint16_t xlr_AUTOFILTERINFO = 0x009D;
constexpr std::uint16_t xlr_SCL = 0x00A0;
constexpr std::uint16_t xlr_SETUP = 0x00A1;
constexpr std::uint16_t xlr_MULRK = 0x00BD;
constexpr std::uint16_t xlr_MULBLANK = 0x00BE;
constexpr std::uint16_t xlr_OBPROJ = 0x00D3;
constexpr std::uint16_t xlr_RSTRING = 0x00D6;
constexpr std::uint16_t xlr_BOOKBOOL = 0x00DA;
constexpr std::uint16_t xlr_XF = 0x00E0;
constexpr std::uint16_t xlr_MERGECELLS = 0x00E5;
constexpr std::uint16_t xlr_MSODRAWINGGROUP = 0x00EB;
constexpr std::uint16_t xlr_MSODRAWING = 0x00EC;
constexpr std::uint16_t xlr_SST = 0x00FC;
constexpr std::uint16_t xlr_LABELSST = 0x00FD;
constexpr std::uint16_t xlr_EXTSST = 0x00FF;
constexpr std::uint16_t xlr_SUPBOOK = 0x01AE;
constexpr std::uint16_t xlr_CONDFMT = 0x01B0;
constexpr std::uint16_t xlr_CF = 0x01B1;
constexpr std::uint16_t xlr_TXO = 0x01B6;
constexpr std::uint16_t xlr_HLINK = 0x01B8;
constexpr std::uint16_t xlr_CODENAME = 0x01BA;
constexpr std::uint16_t xlr_DIMENSIONS = 0x0200;
constexpr std::uint16_t xlr_BLANK = 0x0201;
constexpr std::uint16_t xlr_NUMBER = 0x0203;
constexpr std::uint16_t xlr_LABEL = 0x0204;
constexpr std::uint16_t xlr_BOOLERR = 0x0205;
constexpr std::uint16_t xlr_STRING = 0x0207;
constexpr std::uint16_t xlr_ROW = 0x0208;
constexpr std::uint16_t xlr_ARRAY = 0x0221;
constexpr std::uint16_t xlr_EXTERNNAME2 = 0x0223;
constexpr std::uint16_t xlr_DEFAULTROWHEIGHT = 0x0225;
constexpr std::uint16_t xlr_TABLE = 0x0236;
constexpr std::uint16_t xlr_WINDOW2 = 0x023E;
constexpr std::uint16_t xlr_RK = 0x027E;
constexpr std::uint16_t xlr_STYLE = 0x0293;
constexpr std::uint16_t xlr_FORMAT = 0x041E;
constexpr std::uint16_t xlr_SHRFMLA = 0x04BC;
constexpr std::uint16_t xlr_HLINKTOOLTIP = 0x0800;
constexpr std::uint16_t xlr_BOF = 0x0809;
constexpr std::uint16_t xlr_CHARTBEGIN = 0x1033;
constexpr std::uint16_t xlr_CHARTEND = 0x1034;
constexpr std::uint16_t xlr_CHARTAI = 0x1051;

}  // namespace xls
