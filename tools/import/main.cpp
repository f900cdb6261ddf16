// velmora-import: VCF/BCF or PLINK binary genotypes in, velmora's annotation
// file, genotyping files and analysis file out. Reports on standard error,
// like velmora; any failure is one "ERROR: " line and exit status 1.
#include <exception>
#include <iostream>
#include <new>

#include "base/version.h"
#include "import_options.h"
#include "import_run.h"
#include "input_error.h"

int main(int argc, char** argv) {
  try {
    ImportOptions options = parseImportOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
      std::cout << kImportUsage;
      return 0;
    }
    if (options.version) {
      std::cout << "velmora-import " << kCompanionVersion << "\n";
      return 0;
    }
    runImport(options, std::cerr);
    return 0;
  } catch (const InputError& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
  } catch (const std::bad_alloc&) {
    std::cerr << "ERROR: out of memory\n";
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
  }
  return 1;
}
