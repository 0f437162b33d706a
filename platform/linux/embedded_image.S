// The image bytes, linked in as read-only data; MIRBO_IMAGE_PATH names the file.
        .section .rodata.mirbo_image, "a"
        .balign 64
        .global mirbo_image_begin
        .type mirbo_image_begin, @object
mirbo_image_begin:
        .incbin MIRBO_IMAGE_PATH
        .global mirbo_image_end
        .type mirbo_image_end, @object
mirbo_image_end:
        .section .note.GNU-stack, "", @progbits
