package com.qarvo.maven;

/** A file included in the executable: an entry of {@code [[files]]}. */
public class IncludedFile {
    private String source;
    private String name;

    /** @return the file to include, relative to the project's directory or absolute */
    public String getSource() {
        return source;
    }

    /** @param source the file to include, relative to the project's directory or absolute */
    public void setSource(String source) {
        this.source = source;
    }

    /** @return the name it is extracted under; null for the source's file name */
    public String getName() {
        return name;
    }

    /** @param name the name it is extracted under, at most one directory level */
    public void setName(String name) {
        this.name = name;
    }
}
