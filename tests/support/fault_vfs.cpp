#include "support/fault_vfs.h"

#include <sqlite3.h>

#include <cerrno>

#include "base/files/failure_points.h"

namespace sitora::data {
namespace {

sqlite3_vfs* base_vfs = nullptr;
sqlite3_vfs fault_vfs;
sqlite3_io_methods fault_methods;

// Our file wraps the base file, which follows it in memory.
struct FaultFile {
    sqlite3_file base_handle;
    sqlite3_file* Base() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

FaultFile* Wrap(sqlite3_file* file) { return reinterpret_cast<FaultFile*>(file); }

int ErrorFor(int io_error) { return errno == ENOSPC ? SQLITE_FULL : io_error; }

int Close(sqlite3_file* f) { return Wrap(f)->Base()->pMethods->xClose(Wrap(f)->Base()); }
int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    return Wrap(f)->Base()->pMethods->xRead(Wrap(f)->Base(), buffer, amount, offset);
}
int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (files::PlannedFailure()) return ErrorFor(SQLITE_IOERR_WRITE);
    return Wrap(f)->Base()->pMethods->xWrite(Wrap(f)->Base(), buffer, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    if (files::PlannedFailure()) return SQLITE_IOERR_TRUNCATE;
    return Wrap(f)->Base()->pMethods->xTruncate(Wrap(f)->Base(), size);
}
int Sync(sqlite3_file* f, int flags) {
    if (files::PlannedFailure()) return SQLITE_IOERR_FSYNC;
    return Wrap(f)->Base()->pMethods->xSync(Wrap(f)->Base(), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Wrap(f)->Base()->pMethods->xFileSize(Wrap(f)->Base(), size); }
int Lock(sqlite3_file* f, int level) { return Wrap(f)->Base()->pMethods->xLock(Wrap(f)->Base(), level); }
int Unlock(sqlite3_file* f, int level) { return Wrap(f)->Base()->pMethods->xUnlock(Wrap(f)->Base(), level); }
int CheckReservedLock(sqlite3_file* f, int* out) {
    return Wrap(f)->Base()->pMethods->xCheckReservedLock(Wrap(f)->Base(), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
    return Wrap(f)->Base()->pMethods->xFileControl(Wrap(f)->Base(), op, arg);
}
int SectorSize(sqlite3_file* f) { return Wrap(f)->Base()->pMethods->xSectorSize(Wrap(f)->Base()); }
int DeviceCharacteristics(sqlite3_file* f) {
    return Wrap(f)->Base()->pMethods->xDeviceCharacteristics(Wrap(f)->Base());
}

// The shared memory of a WAL register passes through untouched, so that a register in WAL mode
// reads as it would without this layer.
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return Wrap(f)->Base()->pMethods->xShmMap(Wrap(f)->Base(), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return Wrap(f)->Base()->pMethods->xShmLock(Wrap(f)->Base(), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Wrap(f)->Base()->pMethods->xShmBarrier(Wrap(f)->Base()); }
int ShmUnmap(sqlite3_file* f, int delete_flag) {
    return Wrap(f)->Base()->pMethods->xShmUnmap(Wrap(f)->Base(), delete_flag);
}

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* out_flags) {
    FaultFile* wrapper = Wrap(file);
    int rc = base_vfs->xOpen(base_vfs, name, wrapper->Base(), flags, out_flags);
    // Without methods SQLite does not close the file; with them it must reach the base's.
    file->pMethods = wrapper->Base()->pMethods ? &fault_methods : nullptr;
    return rc;
}

int Delete(sqlite3_vfs*, const char* name, int sync_dir) {
    if (files::PlannedFailure()) return SQLITE_IOERR_DELETE;
    return base_vfs->xDelete(base_vfs, name, sync_dir);
}

int Access(sqlite3_vfs*, const char* name, int flags, int* out) { return base_vfs->xAccess(base_vfs, name, flags, out); }
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return base_vfs->xFullPathname(base_vfs, name, size, out);
}
int Randomness(sqlite3_vfs*, int size, char* out) { return base_vfs->xRandomness(base_vfs, size, out); }
int Sleep(sqlite3_vfs*, int microseconds) { return base_vfs->xSleep(base_vfs, microseconds); }
int CurrentTime(sqlite3_vfs*, double* out) { return base_vfs->xCurrentTime(base_vfs, out); }
int GetLastError(sqlite3_vfs*, int size, char* out) {
    return base_vfs->xGetLastError ? base_vfs->xGetLastError(base_vfs, size, out) : 0;
}
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) { return base_vfs->xCurrentTimeInt64(base_vfs, out); }

}  // namespace

void UseFaultInjectingFileLayer() {
    if (base_vfs) return;
    base_vfs = sqlite3_vfs_find(nullptr);
    fault_methods = sqlite3_io_methods{};
    fault_methods.iVersion = 2;
    fault_methods.xClose = Close;
    fault_methods.xRead = Read;
    fault_methods.xWrite = Write;
    fault_methods.xTruncate = Truncate;
    fault_methods.xSync = Sync;
    fault_methods.xFileSize = FileSize;
    fault_methods.xLock = Lock;
    fault_methods.xUnlock = Unlock;
    fault_methods.xCheckReservedLock = CheckReservedLock;
    fault_methods.xFileControl = FileControl;
    fault_methods.xSectorSize = SectorSize;
    fault_methods.xDeviceCharacteristics = DeviceCharacteristics;
    fault_methods.xShmMap = ShmMap;
    fault_methods.xShmLock = ShmLock;
    fault_methods.xShmBarrier = ShmBarrier;
    fault_methods.xShmUnmap = ShmUnmap;
    fault_vfs = sqlite3_vfs{};
    fault_vfs.iVersion = 2;
    fault_vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + base_vfs->szOsFile;
    fault_vfs.mxPathname = base_vfs->mxPathname;
    fault_vfs.zName = "sitora-faults";
    fault_vfs.xOpen = Open;
    fault_vfs.xDelete = Delete;
    fault_vfs.xAccess = Access;
    fault_vfs.xFullPathname = FullPathname;
    fault_vfs.xRandomness = Randomness;
    fault_vfs.xSleep = Sleep;
    fault_vfs.xCurrentTime = CurrentTime;
    fault_vfs.xGetLastError = GetLastError;
    fault_vfs.xCurrentTimeInt64 = CurrentTimeInt64;
    sqlite3_vfs_register(&fault_vfs, 1);
}

}  // namespace sitora::data
