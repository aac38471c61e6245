/* The model's flash chip is non-volatile, as the real one is: the driver is loaded
 * afresh for every session of the library (the service is removed at its end), so
 * the chip's contents are saved to a file when the driver unloads and loaded from
 * it when the driver starts again. Only the cells are kept: a chip that is powered
 * up again is in read mode.
 *
 * The model build is a test artefact that runs as the system, so the file is kept
 * where only administrators can create files (the Windows folder itself, not its
 * temp folder), opened with the access check a user-mode caller would get, and
 * never through a link: a file that is a reparse point is neither read nor written. */
#include <ntifs.h>

#include "../driver_hardware.h"
#include "pc_model.h"

#ifndef OBJ_FORCE_ACCESS_CHECK
#define OBJ_FORCE_ACCESS_CHECK 0x00000400L
#endif

static const WCHAR kFlashFile[] = L"\\??\\C:\\windows\\Cfgprobe64-model-flash.bin";

static NTSTATUS openFlashFile(HANDLE* file, ACCESS_MASK access, ULONG disposition) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, kFlashFile);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE | OBJ_FORCE_ACCESS_CHECK,
                             NULL, NULL);
  IO_STATUS_BLOCK io;
  NTSTATUS status = ZwCreateFile(file, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, NULL,
                                 FILE_ATTRIBUTE_NORMAL, 0, disposition,
                                 FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT,
                                 NULL, 0);
  if (!NT_SUCCESS(status)) return status;
  FILE_BASIC_INFORMATION basic;
  status = ZwQueryInformationFile(*file, &io, &basic, sizeof basic, FileBasicInformation);
  if (NT_SUCCESS(status) && (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) status = STATUS_ACCESS_DENIED;
  if (!NT_SUCCESS(status)) ZwClose(*file);
  return status;
}

/* A file of any other size than the chip's is not the chip's: the chip stays erased. */
void driverHardwareStarted(void) {
  static UCHAR saved[JEDEC_CHIP_SIZE];
  HANDLE file;
  if (!NT_SUCCESS(openFlashFile(&file, GENERIC_READ, FILE_OPEN))) return;
  IO_STATUS_BLOCK io;
  LARGE_INTEGER start;
  start.QuadPart = 0;
  const NTSTATUS read = ZwReadFile(file, NULL, NULL, NULL, &io, saved, JEDEC_CHIP_SIZE, &start, NULL);
  ZwClose(file);
  if (!NT_SUCCESS(read) || io.Information != JEDEC_CHIP_SIZE) return;
  JedecChip* chip = pcModelFlash();
  for (ULONG i = 0; i < JEDEC_CHIP_SIZE; ++i) chip->cells[i] = saved[i];
}

/* Written only once it is known not to be a link: opened without truncation, the
 * whole chip written over it from its start. */
void driverHardwareUnloading(void) {
  HANDLE file;
  if (!NT_SUCCESS(openFlashFile(&file, GENERIC_WRITE, FILE_OPEN_IF))) return;
  IO_STATUS_BLOCK io;
  LARGE_INTEGER start;
  start.QuadPart = 0;
  ZwWriteFile(file, NULL, NULL, NULL, &io, pcModelFlash()->cells, JEDEC_CHIP_SIZE, &start, NULL);
  ZwClose(file);
}
