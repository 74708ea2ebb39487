// Prints the formula of one cell as Apache POI reads it: PoiFormula FILE SHEET CELL.
// Exit 1 when the cell holds no formula or the file cannot be read.
import java.io.File;

import org.apache.poi.hssf.usermodel.HSSFCell;
import org.apache.poi.hssf.usermodel.HSSFRow;
import org.apache.poi.hssf.usermodel.HSSFSheet;
import org.apache.poi.hssf.usermodel.HSSFWorkbook;
import org.apache.poi.poifs.filesystem.POIFSFileSystem;
import org.apache.poi.ss.usermodel.CellType;
import org.apache.poi.ss.util.CellReference;

public class PoiFormula {
    public static void main(String[] args) throws Exception {
        try (POIFSFileSystem fs = new POIFSFileSystem(new File(args[0]), true);
             HSSFWorkbook wb = new HSSFWorkbook(fs.getRoot(), true)) {
            HSSFSheet sheet = wb.getSheet(args[1]);
            CellReference ref = new CellReference(args[2]);
            HSSFRow row = sheet == null ? null : sheet.getRow(ref.getRow());
            HSSFCell cell = row == null ? null : row.getCell(ref.getCol());
            if (cell == null || cell.getCellType() != CellType.FORMULA) System.exit(1);
            System.out.println("=" + cell.getCellFormula());
        }
    }
}
