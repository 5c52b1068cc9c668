/* The launcher's sections. The stub travels uncompressed in every Setup.exe, and ld's default
   layout gives it six sections, each padded to the file alignment. Here there are three: code
   with the read-only data and the imported names, which the loader only reads; the rest of the
   import tables with the writable data (the loader writes the import address table) and, at
   its end, the zero-filled globals; and last the .rsrc that the quillset tool replaces. Three
   section headers still fit the first 512 bytes of the file. With the names beside the code,
   the data section fits one 512-byte block of the file instead of two.
   ld writes the zero-filled globals out as zeros; the build's zero-tail helper drops them
   from the file again, and the loader fills them in.

   Without a section named .idata, ld finds the import directory and the import address table
   by the symbols .idata$2, $4, $5 and $6, which hold RVAs. */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + (__section_alignment__ < 0x1000 ? . : __section_alignment__) :
  {
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    *(.rdata)
    *(SORT(.rdata$*))
    ".idata$6" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$6))
  }
  .data BLOCK(__section_alignment__) :
  {
    /* As in ld's own script: sorted by file, so that each DLL's descriptors, lookup and
       address tables stay in the order of its import library's members. */
    ".idata$2" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    /* The descriptor that ends the import list. */
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    ".idata$4" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$4))
    ".idata$5" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$5))
    KEEP (SORT(*)(.idata$7))
    *(.data)
    *(SORT(.data$*))
    *(.bss)
    *(COMMON)
  }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  /DISCARD/ :
  {
    *(.debug*)
    *(.drectve)
    *(.note.GNU-stack)
    *(.gnu.lto_*)
  }
}
