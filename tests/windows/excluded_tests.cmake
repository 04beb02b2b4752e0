# Tests left out of the Windows run under wine, by program, each with why. The rest of each
# program runs there as it runs on Linux. Programs whose every test needs a peer (R, PHYLIP) or
# POSIX processes are not built for Windows at all (WINDOWS_TESTS in the Makefile).

set(MARBLESET_WINDOWS_EXCLUDED_dataset_tests
    # Reads a pipe through its /dev/fd/N name.
    DataLoader.PipesGiveWhatTheFileGivesAndGoOnToTheNextDataSet)

set(MARBLESET_WINDOWS_EXCLUDED_editing_tests
    # POSIX permission bits, which Windows does not keep.
    OutputFile.CloseReplacesTheTargetOnlyWhenCompleteAndKeepsItsMode
    # /dev/null and symbolic links made without the rights Windows asks for them.
    OutputFile.LinksDevicesFoldersAndBadNames)

set(MARBLESET_WINDOWS_EXCLUDED_formats_tests
    # Against R (adegenet, phangorn, ape), PHYLIP, plink and bcftools.
    DelimitedReader.AdegenetAndPhangornTables_ReadAsRReadsThem
    NexusReader.PhangornMites_ReadsAsApeReadsIt
    PhylipNames.ParsAndNeighbor_ReadTheShortNamesAndTheTreeGetsTheOriginalsBack
    FormatWriters.WrittenFiles_ReadBackByR
    # VCF/BCF input comes through htslib, which the Windows build is without.
    VcfReader.*)

set(MARBLESET_WINDOWS_EXCLUDED_format_faults_tests
    # Compressed VCF made by bgzip and bcftools, read through htslib.
    ReaderFaults.CompressedVcfCutShort_IsRefused
    # Makes a symbolic link, which Windows allows only with a privilege (and wine not at all).
    OutputFaults.TwoOutputsNamingOneFile_RefusedBeforeAnythingIsWritten)

set(MARBLESET_WINDOWS_EXCLUDED_distances_tests
    # Against R's ade4 and vegan.
    PeerR.*
    # Looks for a decimal-comma locale by its POSIX names (de_DE.UTF-8), which Windows does not
    # know.
    DistanceValueText.CommaLocaleStillWritesAFullStop)

set(MARBLESET_WINDOWS_EXCLUDED_neighbor_net_tests
    # Against R's phangorn.
    NeighborNetAgainstPhangorn.*)

set(MARBLESET_WINDOWS_EXCLUDED_pictures_tests
    # Against R's cmdscale.
    PrincipalCoordinates.EuclideanAndNonEuclideanMatrices_AgreeWithRsCmdscale)

set(MARBLESET_WINDOWS_EXCLUDED_provenance_tests
    # Against sha256sum and Python's json module, run through a POSIX shell.
    Sha256.PublishedVectorsAndSha256sum
    Methods.EachCommandFamilyNamesItsFormulaRuleSeedAndReferences
    RunReport.JsonHoldsTheDigestsSeedAndSettingsAndClashesAreRefused)

set(MARBLESET_WINDOWS_EXCLUDED_cluster_tests
    # Under Snakemake.
    ClusterJob.ExportedSnakefileGivesTheWholeRun)

set(MARBLESET_WINDOWS_EXCLUDED_cli_tests
    # The built tool through a POSIX shell: pipes, redirections, /dev/stdin and a FIFO.
    CliContract.StandardInputReadsLikeTheFile
    CliContract.OtherFormatsInAndOut
    # Expects a file name holding ESC to be missing (ENOENT) and quoted without a backslash;
    # Windows refuses such a name (EINVAL) and its paths hold backslashes, quoted doubled.
    CliContract.EveryErrorHasOneShapeAndItsStatus
    # Makes a symbolic link, which Windows allows only with a privilege (and wine not at all).
    CliContract.DataFileIsNeverAnOutput)
