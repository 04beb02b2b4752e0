# The Debian package, built by `make package` (cpack -G DEB). Its version is the project's, its
# runtime dependencies are found by dpkg-shlibdeps from the programs themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marbleset)
set(CPACK_PACKAGE_VENDOR "the Marbleset contributors")
set(CPACK_PACKAGE_CONTACT "the Marbleset contributors <marbleset@localhost.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workbench for molecular-marker data bound for PHYLIP")
set(CPACK_PACKAGE_DESCRIPTION
    "Marbleset prepares binary (0/1/?) and quantitative character data for the
programs of the PHYLIP package. It opens a matrix of OTUs by characters in
PHYLIP or NTSYS layout, shows it, screens out monomorphic and uninformative
characters and characters or OTUs with missing data, and saves it again.
.
It computes similarity and distance matrices with several coefficients and
treatments of missing data, and writes many resampled data sets into one file
for the PHYLIP programs that read multiple data sets: bootstraps,
permutations, GenStraps, random resampling of OTUs, MissStraps and noise.
.
The package holds the desktop program marbleset and the command-line tool
marbleset-cli, which runs the same computations from scripts.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# PHYLIP is what the files are for, but Marbleset runs without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS phylip)

include(CPack)
