/* The model's flash chip is non-volatile, as the real one is: the driver is loaded
 * afresh for every session of the library (the service is removed at its end), so
 * the chip's contents are saved to a file of the model PC's Windows folder when the
 * driver unloads and loaded from it when the driver starts again. Only the cells
 * are kept: a chip that is powered up again is in read mode. */
#include <ntifs.h>

#include "../driver_hardware.h"
#include "pc_model.h"

static const WCHAR kFlashFile[] = L"\\??\\C:\\windows\\temp\\Cfgprobe64-model-flash.bin";

static NTSTATUS openFlashFile(HANDLE* file, ACCESS_MASK access, ULONG disposition) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, kFlashFile);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
  IO_STATUS_BLOCK io;
  return ZwCreateFile(file, access | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL, 0, disposition,
                      FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
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

void driverHardwareUnloading(void) {
  HANDLE file;
  if (!NT_SUCCESS(openFlashFile(&file, GENERIC_WRITE, FILE_OVERWRITE_IF))) return;
  IO_STATUS_BLOCK io;
  LARGE_INTEGER start;
  start.QuadPart = 0;
  ZwWriteFile(file, NULL, NULL, NULL, &io, pcModelFlash()->cells, JEDEC_CHIP_SIZE, &start, NULL);
  ZwClose(file);
}
