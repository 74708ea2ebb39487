// xlstool: the command-line front end of the workbook engine.
//
// Exit codes: 0 success, 1 the engine refused or failed (its message on
// stderr as "xlstool: FILE: message"), 2 wrong usage.
#include <array>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "ConsoleArgs.h"
#include "XlsToolCommands.h"

namespace xlstool {

void RequireArgCount(TArgs args, std::size_t min, std::size_t max)
{
    if (args.size() < min) throw EUsageError("missing arguments");
    if (args.size() > max) throw EUsageError("too many arguments");
}

namespace {

constexpr std::array kCommands{
    TSubcommand{"streams", "lists the entries of a compound file (.xls) with type, size and path",
                "usage: xlstool streams FILE\n\n"
                "Lists the directory of the compound file FILE, one line per entry in\n"
                "directory order:\n\n"
                "  INDEX<TAB>TYPE<TAB>SIZE<TAB>PATH\n\n"
                "TYPE is root, storage, stream, free (an unused entry that still has a\n"
                "name) or unknown(N); unused entries without a name are left out. SIZE is\n"
                "the size in bytes (for the root: the size of the mini stream). PATH is\n"
                "the way from the root through the storages, \"/\" for the root itself and\n"
                "e.g. \"/Workbook\" or \"/_VBA_PROJECT_CUR/VBA/dir\"; an entry that the\n"
                "root's tree does not reach shows \"?/NAME\". Control characters, \"/\" and\n"
                "backslash in names are written as \\xHH and \\\\.\n\n"
                "Exit 1 with a message when FILE is no compound file or is damaged.\n",
                RunStreams},
    TSubcommand{"cfb-copy", "rewrites a compound file with its Workbook stream written anew",
                "usage: xlstool cfb-copy IN OUT\n\n"
                "Writes a new compound file OUT in which every stream and storage of IN\n"
                "is carried over and the Workbook stream (or a Book stream, as BIFF5 named\n"
                "it, when there is no Workbook stream) is written anew with the same\n"
                "bytes (a stream shorter than 4096 bytes is filled up to 4096 with zero\n"
                "bytes, so it never lands in the mini stream). This is the path a saved\n"
                "workbook takes, without the workbook itself.\n\n"
                "OUT is written to a temporary file beside it and renamed into place only\n"
                "when everything succeeded; on failure OUT is left as it was. Exit 1 with a\n"
                "message when IN is no compound file, is damaged or has no Workbook stream.\n",
                RunCfbCopy},
    TSubcommand{"template", "writes the empty workbook that new files start from",
                "usage: xlstool template OUT\n\n"
                "Writes the empty workbook the engine starts new files and sheets from\n"
                "(one empty visible sheet \"Sheet1\") to OUT, replacing OUT if it exists.\n",
                RunTemplate},
    TSubcommand{"records", "lists the BIFF records of the Workbook stream",
                "usage: xlstool records FILE\n\n"
                "Reads the Workbook (or Book) stream of FILE record by record, as the engine\n"
                "reads it, and prints one line per record:\n\n"
                "  OFFSET  ID  NAME  SIZE  [+N CONTINUE (M bytes)]  [BOF info]\n\n"
                "OFFSET is the position of the record header in the stream, ID the record id\n"
                "as four hex digits, NAME the record's name (\"?\" when unknown), SIZE its data\n"
                "size. CONTINUE records are shown with the record they continue. Records the\n"
                "engine attaches to the record before them (ARRAY and TABLE to a FORMULA,\n"
                "HLINKTOOLTIP to an HLINK) and records it drops on load are listed on their\n"
                "own lines at their own offsets. The listing starts with the stream's size and\n"
                "notes zero padding behind the last EOF; it ends with the number of records.\n\n"
                "Exit 1 with the engine's message when the file cannot be read (for example\n"
                "\"File is password protected\").\n",
                RunRecords},
    TSubcommand{"sst", "prints the shared strings of a workbook",
                "usage: xlstool sst FILE\n\n"
                "Prints the strings of the shared string table (SST) of FILE in file order,\n"
                "one per line, escaped as in the dump format: \"\\\" as \"\\\\\", TAB, LF and\n"
                "CR as \"\\t\", \"\\n\", \"\\r\", other control characters as \"\\xHH\". Line i\n"
                "(counting from 0) is the string that SST index i refers to. A workbook\n"
                "without an SST prints nothing.\n\n"
                "Exit 1 with the engine's message when the file or its SST cannot be read.\n",
                RunSst},
    TSubcommand{"dump", "prints the cells of a workbook in the canonical dump format",
                "usage: xlstool dump FILE\n\n"
                "Loads the workbook FILE and prints one line per non-empty cell of every\n"
                "worksheet, sorted by sheet, row and column:\n\n"
                "  SHEET!REF<TAB>KIND<TAB>VALUE\n\n"
                "REF is the A1 reference (A1 to IV65536). KIND is n (number: the shortest\n"
                "text that reads back to the same double, \"1.0\", \"0.0001\", \"1e-05\",\n"
                "\"1e+16\"; dates are numbers), s (text, escaped: \"\\\" as \"\\\\\", TAB,\n"
                "LF and CR as \"\\t\", \"\\n\", \"\\r\", other control characters as\n"
                "\"\\xHH\"), b (TRUE or FALSE) or e (#NULL!, #DIV/0!, #VALUE!, #REF!,\n"
                "#NAME?, #NUM!, #N/A, other codes #ERR<code>). A formula cell shows its\n"
                "cached result with the kind of that result; blank cells are left out.\n"
                "Then one line per worksheet (chart and macro sheets are not counted):\n\n"
                "  #sheet<TAB>INDEX<TAB>NAME<TAB>visible|hidden|veryhidden\n\n"
                "Exit 1 with the engine's message and nothing on stdout when the file\n"
                "cannot be read.\n",
                RunDump},
    TSubcommand{"copy", "loads a workbook and saves it unchanged into a new file",
                "usage: xlstool copy IN OUT\n\n"
                "Loads the workbook IN and saves it into OUT the way the engine saves a\n"
                "workbook: the Workbook stream is written anew from the loaded model and\n"
                "every other stream and storage of IN is carried over unchanged.\n\n"
                "OUT is written to a temporary file beside it and renamed into place only\n"
                "when everything succeeded; on failure OUT is left as it was. Exit 1 with\n"
                "the engine's message when IN cannot be loaded or saved.\n",
                RunCopy},
    TSubcommand{"info", "shows the sheets of a workbook and what they hold",
                "usage: xlstool info FILE\n\n"
                "Loads the workbook FILE and prints the number of sheets, then one line\n"
                "per sheet:\n\n"
                "  INDEX<TAB>KIND<TAB>VISIBILITY[<TAB>N cells<TAB>M formulas]<TAB>NAME\n\n"
                "KIND is worksheet, chart, macro or other; VISIBILITY is visible, hidden or\n"
                "veryhidden. Worksheets show their cell records (formatted blank cells\n"
                "included) and how many of them are formulas. The last lines give the\n"
                "active sheet (0-based) and the number of shared strings.\n\n"
                "Exit 1 with the engine's message when the file cannot be read.\n",
                RunInfo},
    TSubcommand{"get", "prints the value of one cell",
                "usage: xlstool get FILE SHEET CELL\n\n"
                "Prints the value of one cell as a line of the dump format:\n\n"
                "  SHEETNAME!REF<TAB>KIND<TAB>VALUE\n\n"
                "KIND is n (number), s (text), b (boolean) or e (error); a formula cell\n"
                "shows its cached result. An empty cell prints nothing. SHEET is the\n"
                "sheet's position (1 is the first sheet, counting sheets of every kind)\n"
                "or its name; CELL is an A1 reference such as C7.\n\n"
                "Exit 1 with the engine's message when the file cannot be read or the\n"
                "cell lies outside the sheet (\"Invalid Row (65536)\").\n",
                RunGet},
    TSubcommand{"set", "types a text into one cell and saves the workbook",
                "usage: xlstool set FILE SHEET CELL TEXT [-o OUT]\n\n"
                "Takes TEXT as the tag station takes it: a number (percent, currency and\n"
                "exponent forms get a matching number format), TRUE or FALSE, a date in\n"
                "the user's locale, or else text. SHEET and CELL as for get. Then saves\n"
                "the workbook to OUT or, without -o, over FILE, keeping every other\n"
                "stream of the file. The new file is written beside the old one first\n"
                "and replaces it only when complete: on any failure the old file stays\n"
                "as it was. \"--\" ends the options (for a TEXT that reads \"-o\").\n\n"
                "Exit 1 with the engine's message when the file cannot be read or\n"
                "written, the sheet is no worksheet or the cell lies outside the sheet.\n",
                RunSet},
    TSubcommand{"new", "writes a new workbook of empty sheets",
                "usage: xlstool new FILE [SHEETS]\n\n"
                "Writes a new workbook with SHEETS empty worksheets (1 to 4096, default 1),\n"
                "named Sheet1, Sheet2, ..., to FILE. An existing FILE is replaced as by\n"
                "set: only once the new file is complete.\n",
                RunNew},
    TSubcommand{"features", "prints the feature dump: names, formulas, merged cells, links, comments, drawings, settings",
                "usage: xlstool features [--kinds K,K,...] FILE\n\n"
                "Loads the workbook FILE and prints what it holds beyond its cell values, one\n"
                "line per feature, fields separated by TAB, texts escaped as in the dump\n"
                "format. First the workbook kinds:\n\n"
                "  W  date1904 0|1, sheets N, active SHEET,       the workbook\n"
                "     pictures COUNT BYTES                        (its stored pictures)\n"
                "  N  SCOPE  NAME  HIDDEN  =FORMULA               every defined name, file order;\n"
                "                                                 scope * for a global name\n\n"
                "then for every worksheet (and chart or macro sheet with a window), in\n"
                "workbook order, the sheet kinds in this order:\n\n"
                "  F  SHEET!REF  =FORMULA                         formulas by row and column;\n"
                "                                                 ? for one that cannot be read\n"
                "  M  SHEET  A1:B2                                merged areas, file order\n"
                "  C  SHEET  FIRST:LAST  WIDTH  HIDDEN  LEVEL  XF  column formats as written\n"
                "  R  SHEET  ROW  TWIPS  HIDDEN  LEVEL  CUSTOM     rows off the default height,\n"
                "                                                 hidden or outlined\n"
                "  B  SHEET  H ROW | V COL                        manual page breaks: the first\n"
                "                                                 row below, column right of them\n"
                "  L  SHEET!A1[:B2]  KIND  ADDRESS  LABEL         hyperlinks by first row and\n"
                "     column; KIND url, document (a place in the workbook), email or file\n"
                "  K  SHEET!A1  AUTHOR  VISIBLE  TEXT             comments by cell, on sheets\n"
                "                                                 with a drawing\n"
                "  P  SHEET  PICTURES  OBJECTS                    a sheet's drawing: its pictures\n"
                "                                                 and all its objects\n"
                "  S  SHEET  KEY  VALUE                           settings: gridlines headings\n"
                "     printgridlines zoom (NUM/DEN or -) freeze split (COLSPLIT,ROWSPLIT,\n"
                "     LEFTCOL,TOPROW or -) margins (left,right,top,bottom,header,footer in\n"
                "     inches) header footer (LEFT|CENTRE|RIGHT) paper scale fit (WxH/FLAG)\n"
                "     landscape copies hcenter vcenter selected protected autofilter (the\n"
                "     filter database name's area, or -)\n\n"
                "--kinds prints only the kinds listed (W, N, F, M, C, R, B, L, K, P, S). Exit 1\n"
                "with the engine's message when the file cannot be read.\n",
                RunFeatures},
    TSubcommand{"sheet", "changes columns, rows, merged cells, view and print settings of a sheet",
                "usage: xlstool sheet FILE SHEET OPTION... [-o OUT]\n\n"
                "Changes the worksheet SHEET (its position from 1 or its name) of FILE, the\n"
                "options in the order given, then saves the workbook to OUT or, without -o,\n"
                "over FILE, as set does (the old file stays as it was on any failure).\n"
                "COL is a column letter (B), ROW a row number from 1, CELL an A1 reference.\n\n"
                "  --col-width COL=CHARS     column width in characters (e.g. B=20)\n"
                "  --hide-col COL            --show-col COL\n"
                "  --col-level COL=LEVEL     outline level 0 to 7\n"
                "  --row-height ROW=POINTS   row height in points (e.g. 3=30)\n"
                "  --hide-row ROW            --show-row ROW\n"
                "  --row-level ROW=LEVEL     outline level 0 to 7\n"
                "  --merge CELL:CELL         merges the area (growing over merged areas it meets)\n"
                "  --unmerge CELL:CELL       unmerges exactly this merged area\n"
                "  --freeze CELL             rows above and columns left of CELL stay in view;\n"
                "                            A1 unfreezes\n"
                "  --split X,Y               splits the window X and Y twips from its corner;\n"
                "                            0,0 removes the split\n"
                "  --zoom PERCENT            10 to 400\n"
                "  --gridlines on|off        --headings on|off        --print-gridlines on|off\n"
                "  --header TEXT             --footer TEXT   (codes as &L &C &R &P, e.g. \"&CSeite &P\")\n"
                "  --margins L,R,T,B[,H,F]   page margins (and header, footer) in inches\n"
                "  --landscape               --portrait\n"
                "  --paper N                 paper size number (1 letter, 9 A4)\n"
                "  --scale PERCENT           --copies N\n"
                "  --fit WxH                 print on W pages across and H down\n"
                "  --hcenter on|off          --vcenter on|off\n"
                "  --r1c1 on|off             R1C1 references\n\n"
                "Exit 1 with the engine's message and nothing written when the file cannot be\n"
                "read or a value is refused (a zoom of 1000, a row of 70000, a range beyond the\n"
                "sheet); exit 2 for options it does not know or values it cannot read.\n",
                RunSheet},
    TSubcommand{"formula", "prints the formula of one cell, or writes one and saves",
                "usage: xlstool formula FILE SHEET CELL\n"
                "       xlstool formula FILE SHEET CELL \"=TEXT\" [-o OUT]\n\n"
                "Without TEXT, prints the formula of the cell as the engine reads it back\n"
                "from its tokens, starting with \"=\" (sheet names in single quotes, such as\n"
                "='Data'!A1*2); a cell without a formula prints nothing. With TEXT, writes\n"
                "the formula into the cell and saves the workbook to OUT or, without -o,\n"
                "over FILE, as set does (only a complete new file replaces the old one).\n"
                "The formula takes A1 references, sheet references, the operators and the\n"
                "built-in functions; no defined names, R1C1 or array constants. SHEET and\n"
                "CELL as for get.\n\n"
                "Exit 1 with the engine's message when the file cannot be read or written,\n"
                "or when the formula is refused (\"Function not found: ...\"); nothing is\n"
                "written then.\n",
                RunFormula},
    TSubcommand{"names", "lists the defined names, or adds one and saves",
                "usage: xlstool names FILE\n"
                "       xlstool names FILE --add SCOPE NAME \"=FORMULA\" [-o OUT]\n\n"
                "Lists the defined names of FILE in file order, one per line:\n\n"
                "  SCOPE<TAB>NAME<TAB>HIDDEN<TAB>=FORMULA\n\n"
                "SCOPE is * for a global name, else the name of its sheet; built-in names\n"
                "show their English name (Print_Area, Print_Titles, _FilterDatabase, ...);\n"
                "HIDDEN is 0 or 1; FORMULA is the name's formula (\"=\" alone for none, ? when\n"
                "it cannot be read). Texts are escaped as in the dump format.\n\n"
                "With --add, adds the name (or replaces the one of that scope whose name\n"
                "equals NAME ignoring case) and saves as set does. SCOPE is * or a sheet's\n"
                "position or name; NAME may be a built-in name such as Print_Area. Cell\n"
                "references without a sheet point at the scope's sheet (the first sheet for\n"
                "a global name) and are made absolute.\n\n"
                "Exit 1 with the engine's message for an invalid name (\"Invalid named range:\n"
                "...\") or a refused formula; nothing is written then.\n",
                RunNames},
    TSubcommand{"pictures", "lists the pictures of a sheet and extracts their images",
                "usage: xlstool pictures FILE SHEET [--extract DIR]\n\n"
                "Prints one line per picture of the worksheet SHEET, in the order of their\n"
                "top rows (the order their INDEX counts, from 0):\n\n"
                "  INDEX<TAB>FROM:TO<TAB>TYPE<TAB>BYTES<TAB>NAME\n\n"
                "FROM and TO are the cells of the picture's corners, TYPE is png, jpeg,\n"
                "bmp, wmf or emf, BYTES the size of the image. With --extract the images\n"
                "are written into the folder DIR as pictureINDEX.TYPE.\n\n"
                "Exit 1 with the engine's message when the file cannot be read or SHEET\n"
                "is no worksheet.\n",
                RunPictures},
    TSubcommand{"add-picture", "puts a PNG, JPEG or BMP image on a sheet and saves the workbook",
                "usage: xlstool add-picture FILE SHEET CELL IMAGE [--name NAME] [-o OUT]\n\n"
                "Puts the image file IMAGE (PNG, JPEG, BMP, WMF or EMF) on the worksheet\n"
                "SHEET with its top left corner at CELL, as large as the image says it is\n"
                "(96 x 96 pixels when it says nothing); it moves and sizes with the cells.\n"
                "An image the workbook already holds is stored once. NAME (default: the\n"
                "image's file name) is the picture's name. Saves as set does.\n\n"
                "Exit 1 with the engine's message when a file cannot be read or written,\n"
                "the image is of another kind or CELL lies outside the sheet.\n",
                RunAddPicture},
    TSubcommand{"delete-picture", "takes a picture off a sheet and saves the workbook",
                "usage: xlstool delete-picture FILE SHEET INDEX [-o OUT]\n\n"
                "Takes picture INDEX (as pictures lists it) off the worksheet SHEET; its\n"
                "image leaves the workbook when no other picture shows it. Saves as set\n"
                "does. Exit 1 with the engine's message for an INDEX the sheet lacks.\n",
                RunDeletePicture},
    TSubcommand{"comment", "gives a cell a comment and saves the workbook",
                "usage: xlstool comment FILE SHEET CELL TEXT [-o OUT]\n\n"
                "Gives CELL of the worksheet SHEET a comment with TEXT, or the new TEXT\n"
                "when it has one; an empty TEXT takes the comment away. Saves as set does.\n\n"
                "Exit 1 with the engine's message when a file cannot be read or written\n"
                "or CELL lies outside the sheet.\n",
                RunComment},
    TSubcommand{"link", "puts a hyperlink on cells and saves the workbook",
                "usage: xlstool link FILE SHEET CELLS TARGET [--description TEXT] [--tip TEXT]\n"
                "                    [--mark PLACE] [-o OUT]\n\n"
                "Puts a hyperlink on CELLS (a cell such as C7 or an area such as A1:C3) of\n"
                "the worksheet SHEET. TARGET \"#PLACE\" links to a place in the workbook\n"
                "(\"#Sheet2!A1\"), \"\\\\server\\share\\file\" to a network path, a target\n"
                "with a scheme (\"https://...\", \"mailto:...\") is a URL, anything else a\n"
                "file. --description is the text the link shows, --tip its screen tip,\n"
                "--mark the place inside the target. Saves as set does.\n\n"
                "Exit 1 with the engine's message when a file cannot be read or written\n"
                "or CELLS lie outside the sheet.\n",
                RunLink},
    TSubcommand{"filter", "sets or removes a sheet's auto filter and saves the workbook",
                "usage: xlstool filter FILE SHEET CELLS [-o OUT]\n"
                "       xlstool filter FILE SHEET --remove [-o OUT]\n\n"
                "Sets the auto filter of the worksheet SHEET on the first row of CELLS\n"
                "(such as A1:C21) over its columns: a drop-down button on each of them and\n"
                "the sheet's filter database name. --remove takes the filter away. Saves\n"
                "as set does.\n",
                RunFilter},
    TSubcommand{"rows", "inserts, copies or deletes rows of a sheet and saves the workbook",
                "usage: xlstool rows FILE SHEET insert ROW [COUNT] [-o OUT]\n"
                "       xlstool rows FILE SHEET copy FIRST[:LAST] ROW [COUNT] [-o OUT]\n"
                "       xlstool rows FILE SHEET delete ROW [COUNT] [-o OUT]\n\n"
                "Changes the rows of the worksheet SHEET (its position from 1 or its name),\n"
                "rows counted from 1 to 65536, COUNT 1 when left out:\n\n"
                "  insert   COUNT empty rows before ROW\n"
                "  copy     COUNT copies of the rows FIRST to LAST before ROW\n"
                "  delete   COUNT rows from ROW on\n\n"
                "The rows below move; formulas, names, merged cells, comments, links and\n"
                "pictures of every sheet follow them, references into deleted rows become\n"
                "#REF!. Saves as set does.\n\n"
                "Exit 1 with the engine's message and nothing written for a row outside the\n"
                "sheet, a COUNT that would push cells, comments, links, merged cells or\n"
                "pictures off the sheet, or a copy into the rows it copies.\n",
                RunRows},
    TSubcommand{"columns", "inserts, copies or deletes columns of a sheet and saves the workbook",
                "usage: xlstool columns FILE SHEET insert COL [COUNT] [-o OUT]\n"
                "       xlstool columns FILE SHEET copy FIRST[:LAST] COL [COUNT] [-o OUT]\n"
                "       xlstool columns FILE SHEET delete COL [COUNT] [-o OUT]\n\n"
                "As rows, for the columns of the worksheet SHEET: a column is given by its\n"
                "letters (A to IV) or its number (1 to 256), such as copy B:C E 2.\n\n"
                "Exit 1 with the engine's message and nothing written for a column outside\n"
                "the sheet, a COUNT that would push cells or objects off the sheet, or a copy\n"
                "into the columns it copies.\n",
                RunColumns},
    TSubcommand{"sheets", "inserts, copies, deletes, clears, renames, hides, shows or selects sheets",
                "usage: xlstool sheets FILE ACTION ARGS... [-o OUT]\n\n"
                "Changes the sheets of the workbook FILE, then saves it as set does. SHEET\n"
                "is a sheet's position (from 1, counting sheets of every kind) or its name;\n"
                "BEFORE is a sheet, or the number one past the last sheet for the end:\n\n"
                "  insert BEFORE [COUNT]        COUNT (default 1) empty worksheets before BEFORE\n"
                "  copy SHEET BEFORE [COUNT]    COUNT copies of SHEET before BEFORE\n"
                "  delete SHEET                 deletes the sheet\n"
                "  clear SHEET                  empties the worksheet: no cells or objects, the\n"
                "                               settings of a new sheet\n"
                "  rename SHEET NAME            gives the sheet the name NAME\n"
                "  hide SHEET                   hides the sheet (it can be shown again in a\n"
                "                               spreadsheet program)\n"
                "  very-hide SHEET              hides it so that only a program can show it\n"
                "  show SHEET                   makes the sheet visible\n"
                "  select SHEET                 makes it the sheet the file opens with\n\n"
                "New and copied sheets are named Sheet, Sheet1, ... as the engine names them;\n"
                "formulas and names follow the sheets they refer to. A hidden sheet that\n"
                "was selected hands the selection to the nearest visible one.\n\n"
                "Exit 1 with the engine's message and nothing written for a sheet the file\n"
                "does not have, a NAME that is invalid or taken (\"Sheet name already\n"
                "exists: ...\"), deleting or hiding the last visible sheet, or selecting a\n"
                "hidden one.\n",
                RunSheets},
};

void PrintOverview(std::ostream& out)
{
    out << "usage: xlstool SUBCOMMAND [ARGS...]\n"
           "       xlstool SUBCOMMAND --help\n\n"
           "Reads and writes Excel 97-2003 (.xls) workbooks. A failure is reported on\n"
           "stderr as \"xlstool: FILE: message\", the message followed by where in the\n"
           "file it happened (stream, record and offset, sheet), with exit code 1.\n\n"
           "Subcommands:\n";
    for (const auto& cmd : kCommands) {
        std::string name(cmd.Name);
        name.resize(std::max<std::size_t>(name.size() + 2, 12), ' ');
        out << "  " << name << cmd.Summary << '\n';
    }
}

// "xlstool: FILE: message" on stderr (without FILE when no file is known); exit code 1.
int ReportFailure(const std::string& aFile, const std::string& aMessage)
{
    std::cout.flush();
    std::cerr << "xlstool: " << (aFile.empty() ? "" : aFile + ": ") << aMessage << '\n';
    return 1;
}

const TSubcommand* FindCommand(std::string_view name)
{
    for (const auto& cmd : kCommands)
        if (cmd.Name == name) return &cmd;
    return nullptr;
}

}  // namespace
}  // namespace xlstool

int main(int argc, char** argv)
{
    using namespace xlstool;
    PrepareConsole();
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    if (args.empty()) {
        PrintOverview(std::cerr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        PrintOverview(std::cout);
        return 0;
    }
    const TSubcommand* cmd = FindCommand(args[0]);
    if (!cmd) {
        std::cerr << "xlstool: unknown subcommand '" << args[0] << "'\n";
        PrintOverview(std::cerr);
        return 2;
    }
    TArgs rest(args.data() + 1, args.size() - 1);
    for (const auto& a : rest)
        if (a == "--help" || a == "-h") {
            std::cout << cmd->Help;
            return 0;
        }
    try {
        return cmd->Run(rest);
    } catch (const EUsageError& e) {
        std::cerr << "xlstool " << cmd->Name << ": " << e.what() << "\n\n" << cmd->Help;
        return 2;
    } catch (const xls::EXlsException& e) {
        return ReportFailure(e.Place().File, e.Text(false));
    } catch (const EFileError& e) {
        return ReportFailure(e.File, e.what());
    } catch (const std::exception& e) {
        return ReportFailure({}, e.what());
    }
}
